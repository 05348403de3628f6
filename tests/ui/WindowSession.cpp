#include "tests/ui/WindowSession.h"

#include "database/Loader.h"
#include "engine/ProgramFolders.h"

namespace stovan::ui::test {

void WindowSession::SetUp() {
    auto opened = OpenSession(folder_ / "root");
    ASSERT_TRUE(opened) << opened.error();
    session_ = std::move(*opened);
    ASSERT_TRUE(LaunchReload(*session_->engine).ok());
    session_->preferences.flags |= SHOW_BUTTONS;
    runs_ = std::make_unique<EngineRuns>(*session_, frontend_,
                                         RunningProgramFolder() + "/stovan-shell");
}

void WindowSession::TearDown() {
    window_.reset();
    runs_.reset();
    session_.reset();
}

ApplicationItem& WindowSession::Add(const ItemSpec& spec) {
    return AddItem(*session_->engine, spec);
}

MainWindow& WindowSession::Window() {
    if (!window_) {
        window_ = std::make_unique<MainWindow>(*session_, frontend_, *runs_);
    }
    return *window_;
}

}  // namespace stovan::ui::test
