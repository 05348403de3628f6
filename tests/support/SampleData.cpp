#include "tests/support/SampleData.h"

#include <iterator>
#include <random>

namespace stovan::test {

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string data(size, '\0');
    for (auto& c : data) {
        c = static_cast<char>(random() & 0xFF);
    }
    return data;
}

std::string TextLike(std::size_t size, unsigned seed) {
    static const char* const kWords[] = {
        "Stovan ",   "archive ", "drawer ",  "the ",    "of ",        "LhA ",   "protection ",
        "comment\n", "AmigaOS ", "install ", "{NAME} ", "If EXISTS ", "EndIf\n"};
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < size) {
        text += kWords[random() % std::size(kWords)];
        if (random() % 7 == 0) {
            text += std::to_string(random() % 1000);
        }
    }
    text.resize(size);
    return text;
}

std::string MixedSample(unsigned seed) {
    std::mt19937 random(seed * 2654435761u + 1);
    const unsigned pick = random() % 8;
    const std::size_t size = pick == 0  ? random() % 8
                             : pick < 3 ? random() % 70000
                                        : random() % 5000;
    switch (random() % 5) {
        case 0:
            return RandomBytes(size, seed);
        case 1:
            return TextLike(size, seed);
        case 2: {
            std::string runs;
            while (runs.size() < size) {
                runs += std::string(1 + random() % 600, static_cast<char>(random() % 3));
            }
            runs.resize(size);
            return runs;
        }
        case 3: {
            const std::string period = RandomBytes(1 + random() % 20, seed);
            std::string data;
            while (data.size() < size) {
                data += period;
            }
            data.resize(size);
            return data;
        }
        default: {
            std::string text = TextLike(size, seed);
            for (std::size_t i = 0; i + 40 < text.size(); i += 1 + random() % 900) {
                text.replace(i, 40, RandomBytes(40, seed + static_cast<unsigned>(i)));
            }
            return text;
        }
    }
}

}  // namespace stovan::test
