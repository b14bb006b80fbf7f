# Installing and packaging. The game finds dat/ and its help page beside the
# real file of its executable, so the three stay together in lib/hanashi and
# bin/ holds only a link to it.
set(HANASHI_APP_DIR lib/hanashi)

install(TARGETS hanashi RUNTIME DESTINATION ${HANASHI_APP_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/dat/ DESTINATION ${HANASHI_APP_DIR}/dat)
install(FILES "${PROJECT_SOURCE_DIR}/help/${HANASHI_HELP_PAGE}" DESTINATION ${HANASHI_APP_DIR})
install(TARGETS hanashi-check RUNTIME DESTINATION bin)

# A relative link, so that the tree can move (DESTDIR, the package).
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
file(CREATE_LINK ../${HANASHI_APP_DIR}/hanashi ${PROJECT_BINARY_DIR}/packaging/hanashi SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/packaging/hanashi DESTINATION bin)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/hanashi.desktop DESTINATION share/applications)

# The menu icon is the window's own, painted by the same code at build time.
add_executable(hanashi-make-icon ${PROJECT_SOURCE_DIR}/tools/make_icon.cpp)
target_link_libraries(hanashi-make-icon PRIVATE hanashi_app hanashi_warnings)
set(HANASHI_ICON_SIZES 32 64)
set(icon_files)
foreach(size IN LISTS HANASHI_ICON_SIZES)
    set(dir ${PROJECT_BINARY_DIR}/packaging/icons/${size}x${size})
    set(icon ${dir}/hanashi.png)
    # Makefile generators do not make an output's folder; Ninja does.
    add_custom_command(OUTPUT ${icon}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND hanashi-make-icon ${size} ${icon}
        DEPENDS hanashi-make-icon
        COMMENT "Painting the ${size} x ${size} icon")
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps)
    list(APPEND icon_files ${icon})
endforeach()
add_custom_target(hanashi_icons ALL DEPENDS ${icon_files})

set(CPACK_PACKAGE_NAME hanashi)
set(CPACK_PACKAGE_VENDOR "hanashi")
set(CPACK_PACKAGE_CONTACT "hanashi developers <hanashi@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Japanese story game with timed two-answer questions")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A single window tells a story line by line, stops now and then for a timed\n"
    "question with two answers, keeps the score as a row of stars and loops a\n"
    "MIDI tune. Includes hanashi-check, which checks a story folder.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# What the programs load at run time: the Qt libraries and the X11 platform
# plugin, FluidSynth with a General MIDI SoundFont, ALSA, a Japanese font, and
# the desktop's opener for the help page.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libgcc-s1, libqt6core6, libqt6gui6, libqt6widgets6, qt6-qpa-plugins, \
libfluidsynth3, libasound2, timgm6mb-soundfont, fonts-ipafont-gothic, xdg-utils")
include(CPack)
