# Installs the build into a scratch prefix and checks what a desktop needs is there.
# cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(entry "${PREFIX}/share/applications/velt.desktop")
foreach(path bin/velt bin/veltsim bin/velt-cli share/applications/velt.desktop
             share/icons/hicolor/scalable/apps/velt.svg)
    if(NOT EXISTS "${PREFIX}/${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
foreach(program velt veltsim velt-cli)
    if(IS_SYMLINK "${PREFIX}/bin/${program}" OR IS_DIRECTORY "${PREFIX}/bin/${program}")
        message(FATAL_ERROR "bin/${program} is not a program")
    endif()
endforeach()

# The entry names the installed program and icon, in Russian, in the menu sections asked for.
file(READ "${entry}" text)
foreach(line "Exec=velt" "Icon=velt" "Name=Конфигуратор ВЕЛТ")
    string(FIND "${text}" "\n${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${entry} lacks ${line}")
    endif()
endforeach()
if(NOT text MATCHES "\nCategories=[^\n]*Utility;" OR NOT text MATCHES "\nCategories=[^\n]*Engineering;")
    message(FATAL_ERROR "${entry}: Categories lack Utility or Engineering")
endif()

find_program(VALIDATE desktop-file-validate)
if(NOT VALIDATE)
    message(FATAL_ERROR "desktop-file-validate not found (Debian: desktop-file-utils)")
endif()
# Hints and warnings count as failures too: the entry is small enough to be clean.
execute_process(COMMAND "${VALIDATE}" "${entry}" RESULT_VARIABLE result OUTPUT_VARIABLE said
                ERROR_VARIABLE said)
if(NOT result EQUAL 0 OR NOT said STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate: ${result}\n${said}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
