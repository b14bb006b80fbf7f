# SPDX-License-Identifier: MIT
# Installing and packaging, in Debian's layout for games: the commands in
# games/, the executable in lib/games/hanashi and the data it reads in
# share/games/hanashi. That is where Debian's policy puts a game's programs,
# machine code and static data; lintian rejects machine code under share/ and
# a package of section games with nothing in /usr/games. The game finds dat/
# and its help page beside the real file of its executable, so
# lib/games/hanashi holds links to them, and games/hanashi is a link to the
# executable. Every link is relative, so the tree can move (DESTDIR, the
# package, a home folder).
set(HANASHI_INSTALL_GAMESDIR games CACHE STRING
    "Where the hanashi and hanashi-check commands go, under the prefix (bin for a home folder)")
set(HANASHI_LIB_DIR lib/games/hanashi)
set(HANASHI_DATA_DIR share/games/hanashi)

find_program(GZIP gzip REQUIRED)
find_program(GO_MD2MAN go-md2man REQUIRED)
set(out ${PROJECT_BINARY_DIR}/packaging)

# hanashi_relative_link(NAME FROM-DIR TO-FILE): installs a link NAME into
# FROM-DIR that points at TO-FILE, both paths under the prefix.
function(hanashi_relative_link name from_dir to_file)
    file(RELATIVE_PATH target /prefix/${from_dir} /prefix/${to_file})
    file(MAKE_DIRECTORY ${out}/links/${from_dir})
    file(CREATE_LINK ${target} ${out}/links/${from_dir}/${name} SYMBOLIC)
    install(FILES ${out}/links/${from_dir}/${name} DESTINATION ${from_dir})
endfunction()

install(TARGETS hanashi RUNTIME DESTINATION ${HANASHI_LIB_DIR})
install(TARGETS hanashi-check RUNTIME DESTINATION ${HANASHI_INSTALL_GAMESDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/dat/ DESTINATION ${HANASHI_DATA_DIR}/dat)
install(FILES "${PROJECT_SOURCE_DIR}/help/${HANASHI_HELP_PAGE}" DESTINATION ${HANASHI_DATA_DIR})
hanashi_relative_link(hanashi ${HANASHI_INSTALL_GAMESDIR} ${HANASHI_LIB_DIR}/hanashi)
hanashi_relative_link(dat ${HANASHI_LIB_DIR} ${HANASHI_DATA_DIR}/dat)
hanashi_relative_link("${HANASHI_HELP_PAGE}" ${HANASHI_LIB_DIR}
                      "${HANASHI_DATA_DIR}/${HANASHI_HELP_PAGE}")

install(FILES ${CMAKE_CURRENT_LIST_DIR}/${HANASHI_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${HANASHI_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The menu icon is the window's own, painted by the same code at build time.
add_executable(hanashi-make-icon ${PROJECT_SOURCE_DIR}/tools/make_icon.cpp)
target_link_libraries(hanashi-make-icon PRIVATE hanashi_app hanashi_warnings)
set(HANASHI_ICON_SIZES 32 64)
set(generated)
foreach(size IN LISTS HANASHI_ICON_SIZES)
    set(dir ${out}/icons/${size}x${size})
    # Makefile generators do not make an output's folder; Ninja does.
    add_custom_command(OUTPUT ${dir}/hanashi.png
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND hanashi-make-icon ${size} ${dir}/hanashi.png
        DEPENDS hanashi-make-icon
        COMMENT "Painting the ${size} x ${size} icon")
    install(FILES ${dir}/hanashi.png DESTINATION share/icons/hicolor/${size}x${size}/apps)
    list(APPEND generated ${dir}/hanashi.png)
endforeach()

# Manual pages and the Debian changelog go compressed as Debian wants them:
# gzip -9, with no name or time stamp in the header so that builds repeat.
foreach(page hanashi.6 hanashi-check.6)
    set(source ${CMAKE_CURRENT_LIST_DIR}/man/${page}.md)
    add_custom_command(OUTPUT ${out}/man/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/man
        COMMAND ${GO_MD2MAN} -in ${source} -out ${out}/man/${page}
        COMMAND ${GZIP} -9nf ${out}/man/${page}
        DEPENDS ${source}
        COMMENT "Writing the manual page ${page}")
    install(FILES ${out}/man/${page}.gz DESTINATION share/man/man6)
    list(APPEND generated ${out}/man/${page}.gz)
endforeach()

set(changelog ${CMAKE_CURRENT_LIST_DIR}/debian/changelog)
add_custom_command(OUTPUT ${out}/doc/changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/doc
    COMMAND ${CMAKE_COMMAND} -E copy ${changelog} ${out}/doc/changelog.Debian
    COMMAND ${GZIP} -9nf ${out}/doc/changelog.Debian
    DEPENDS ${changelog}
    COMMENT "Compressing the Debian changelog")
list(APPEND generated ${out}/doc/changelog.Debian.gz)
add_custom_target(hanashi_packaging_files ALL DEPENDS ${generated})

set(CPACK_PACKAGE_NAME hanashi)
set(CPACK_PACKAGE_VENDOR "the hanashi developers")
# hanashi.invalid: a reserved name (RFC 2606) until the project has a home.
set(CPACK_PACKAGE_CONTACT "hanashi developers <maintainers@hanashi.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Japanese story game with timed two-answer questions")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A single window tells a story line by line, stops now and then for a timed\n"
    "question with two answers, keeps the score as a row of stars and loops a\n"
    "MIDI tune. Includes hanashi-check, which checks a story folder.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries the programs link come from dpkg-shlibdeps. The rest is
# loaded at run time, where it cannot see: Qt's X11 platform plugin, the
# General MIDI SoundFont, the Japanese font, and the desktop's opener for
# the help page. Wayland sessions can use Qt's own plugin for it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, timgm6mb-soundfont, fonts-ipafont-gothic, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)

# The changelog's newest entry names the package's version; a version bump
# without an entry would ship a changelog that lintian rejects.
file(STRINGS ${changelog} newest LIMIT_COUNT 1)
set(deb_version "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
if(NOT newest MATCHES "^hanashi \\(${deb_version}\\) ")
    message(FATAL_ERROR "packaging/debian/changelog starts with \"${newest}\", "
                        "not an entry for hanashi ${deb_version}")
endif()

# The copyright file in Debian's machine-readable format, around LICENSE's
# terms: each line indented by one space, an empty line written " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(FIND "${licence}" "Permission is hereby granted" start)
string(SUBSTRING "${licence}" ${start} -1 licence)
string(STRIP "${licence}" licence)
string(REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REPLACE "\n" "\n " licence "${licence}")
set(HANASHI_LICENSE_TEXT " ${licence}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in ${out}/doc/copyright @ONLY)
install(FILES ${out}/doc/copyright ${out}/doc/changelog.Debian.gz DESTINATION share/doc/hanashi)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides DESTINATION share/lintian/overrides
        RENAME hanashi)

include(CPack)
