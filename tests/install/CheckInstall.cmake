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
             share/icons/hicolor/scalable/apps/velt.svg share/mime/packages/velt-project.xml
             share/icons/hicolor/scalable/mimetypes/application-x-velt-project.svg
             share/velt/doc/manual.md share/velt/doc/check-report.png share/man/man1/velt-cli.1
             share/bash-completion/completions/velt-cli)
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
foreach(line "Exec=velt %f" "Icon=velt" "Name=Конфигуратор ВЕЛТ"
             "MimeType=application/x-velt-project;")
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

# The installed programs answer --version without a display, each with its own name.
foreach(program velt veltsim velt-cli)
    execute_process(COMMAND "${PREFIX}/bin/${program}" --version RESULT_VARIABLE result
                    OUTPUT_VARIABLE said ERROR_VARIABLE said)
    if(NOT result EQUAL 0 OR NOT said MATCHES "^${program} [0-9]+\\.[0-9]+")
        message(FATAL_ERROR "${program} --version: ${result}\n${said}")
    endif()
endforeach()

# A desktop that reads the prefix sees a .velt file as a project and opens it with the
# configurator.
find_program(XDG_MIME xdg-mime)
if(NOT XDG_MIME)
    message(FATAL_ERROR "xdg-mime not found (Debian: xdg-utils)")
endif()
file(WRITE "${PREFIX}/home/crossing.velt" "not sniffed: the name decides")
set(desktop_env HOME=${PREFIX}/home XDG_DATA_HOME=${PREFIX}/share XDG_DATA_DIRS=/usr/share
    XDG_CONFIG_HOME=${PREFIX}/home/.config XDG_CURRENT_DESKTOP=X-Generic)
execute_process(COMMAND "${CMAKE_COMMAND}" -E env ${desktop_env}
                        "${XDG_MIME}" query filetype "${PREFIX}/home/crossing.velt"
                OUTPUT_VARIABLE type OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT type STREQUAL "application/x-velt-project")
    message(FATAL_ERROR "xdg-mime query filetype: '${type}'")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E env ${desktop_env}
                        "${XDG_MIME}" query default application/x-velt-project
                OUTPUT_VARIABLE handler OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT handler STREQUAL "velt.desktop")
    message(FATAL_ERROR "xdg-mime query default: '${handler}'")
endif()
file(REMOVE_RECURSE "${PREFIX}")
