# The installed program, end to end: installs the build into a temporary
# prefix, then runs the installed stovan on a new system root. It must list
# the sample database installed beside it and give the root the companion
# commands; with that sample database gone it must refuse a new root with
# exit code 20 and say why, never list an empty database (nor take the
# source tree's sample instead).
#   cmake -DBUILD_DIR=<build folder> -P Install.cmake

if(NOT BUILD_DIR)
  message(FATAL_ERROR "Install.cmake: BUILD_DIR is not given")
endif()

set(temporary_base "$ENV{TMPDIR}")
if(NOT temporary_base)
  set(temporary_base "/tmp")
endif()
string(RANDOM LENGTH 10 tag)
set(work "${temporary_base}/stovan-install-${tag}")
set(prefix "${work}/prefix")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

function(fail text)
  file(REMOVE_RECURSE "${work}")
  message(FATAL_ERROR "${text}")
endfunction()

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  fail("cmake --install failed (${rc}): ${err}")
endif()
foreach(file bin/stovan bin/stovan-shell libexec/stovan/SLog share/stovan/Database/Internal/StovanMain.db
             share/stovan/Database/Images/noimage.png share/stovan/Database/Images/game.png)
  if(NOT EXISTS "${prefix}/${file}")
    fail("the installation lacks ${file}")
  endif()
endforeach()

# The desktop program's menu entry runs the installed program's window.
if(GUI)
  foreach(file share/applications/stovan.desktop share/icons/hicolor/scalable/apps/stovan.svg)
    if(NOT EXISTS "${prefix}/${file}")
      fail("the installation lacks ${file}")
    endif()
  endforeach()
  file(STRINGS "${prefix}/share/applications/stovan.desktop" exec REGEX "^Exec=")
  if(NOT exec STREQUAL "Exec=stovan gui")
    fail("the menu entry does not open the window: ${exec}")
  endif()
endif()

# A home of its own, so that nothing can reach the user's own root.
set(environment "${CMAKE_COMMAND}" -E env "HOME=${work}/home" "XDG_DATA_HOME=${work}/data"
    --unset=STOVAN_ROOT)

execute_process(COMMAND ${environment} "${prefix}/bin/stovan" --root "${work}/root" list
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  fail("the installed stovan list failed (${rc}): ${err}")
endif()
if(NOT out MATCHES "^Type +Name" OR NOT out MATCHES "\nSTOVAN +Stovan +" OR NOT out MATCHES "\nGAME +SpaceRocks +")
  fail("the installed stovan list did not show the sample database:\n${out}")
endif()
if(NOT EXISTS "${work}/root/Work/Stovan/Database/Commands/AmigaOS4/SLog")
  fail("the installed stovan did not copy the companion commands into the root")
endif()
if(NOT EXISTS "${work}/root/Work/Stovan/Database/Images/noimage.png")
  fail("the installed stovan did not copy the shipped pictures into the root")
endif()

# Without its sample database a new root is refused, clearly.
file(REMOVE_RECURSE "${prefix}/share/stovan/Database")
execute_process(COMMAND ${environment} "${prefix}/bin/stovan" --root "${work}/other" list
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 20)
  fail("without the sample database stovan list gave ${rc}, not 20:\n${out}${err}")
endif()
if(NOT err MATCHES "sample database is missing" OR NOT out STREQUAL "")
  fail("without the sample database stovan list said:\n${out}\nerror: ${err}")
endif()
# A root that has its database already does not need the sample.
execute_process(COMMAND ${environment} "${prefix}/bin/stovan" --root "${work}/root" list
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "\nSTOVAN +Stovan +")
  fail("a seeded root needed the sample database (${rc}): ${err}")
endif()

file(REMOVE_RECURSE "${work}")
