# Installation: the program, the language file when the tree has one, a desktop entry for the
# XML types (so "Open with" in a file manager starts the editor and reaches the running one
# through the single-instance hand-over), its icons (drawn at build time), the software-centre
# metainfo and the manual page.
include(GNUInstallDirs)

if(TARGET tovi-xmleditor)
    install(TARGETS tovi-xmleditor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

    set(TOVI_LANGUAGE_FILE ${PROJECT_SOURCE_DIR}/dist/TOVIXMLEditorResource.xml)
    if(EXISTS ${TOVI_LANGUAGE_FILE})
        # Looked for next to the program.
        install(FILES ${TOVI_LANGUAGE_FILE} DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()

    install(FILES ${PROJECT_SOURCE_DIR}/dist/tovi-xmleditor.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    configure_file(${PROJECT_SOURCE_DIR}/dist/tovi-xmleditor.1
                   ${CMAKE_BINARY_DIR}/dist/tovi-xmleditor.1 @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/dist/tovi-xmleditor.1
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

    # Software centres fetch the screenshot from the web, so the metainfo names it by an https
    # address: the picture in the sources of this very version, so it shows what this release
    # looks like. Packagers of a fork point TOVI_PROJECT_URL at their own home.
    set(TOVI_PROJECT_URL "https://github.com/tovi-xmleditor/tovi-xmleditor" CACHE STRING
        "The project's public home, named in the AppStream metainfo")
    set(TOVI_SCREENSHOT_URL
        "${TOVI_PROJECT_URL}/raw/v${PROJECT_VERSION}/docs/screenshots/editor.png" CACHE STRING
        "Where software centres fetch the screenshot of this version")
    set(TOVI_APPSTREAM_ID io.github.tovi_xmleditor.TOVIXMLEditor)
    set(TOVI_METAINFO ${CMAKE_BINARY_DIR}/dist/${TOVI_APPSTREAM_ID}.metainfo.xml)
    configure_file(${PROJECT_SOURCE_DIR}/dist/tovi-xmleditor.metainfo.xml.in ${TOVI_METAINFO}
                   @ONLY)
    install(FILES ${TOVI_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/USER_GUIDE.md
            DESTINATION ${CMAKE_INSTALL_DOCDIR})

    find_package(Qt6 REQUIRED COMPONENTS Svg)
    add_executable(tovi-make-icon ${PROJECT_SOURCE_DIR}/dist/MakeIcon.cpp)
    target_link_libraries(tovi-make-icon PRIVATE tovi_ui Qt6::Svg)
    set(TOVI_ICON_SIZES 16 24 32 48 64 128 256 scalable)
    set(TOVI_ICONS "")
    foreach(size IN LISTS TOVI_ICON_SIZES)
        if(size STREQUAL "scalable")
            set(folder scalable)
            set(icon ${CMAKE_BINARY_DIR}/icons/${folder}/tovi-xmleditor.svg)
        else()
            set(folder ${size}x${size})
            set(icon ${CMAKE_BINARY_DIR}/icons/${folder}/tovi-xmleditor.png)
        endif()
        add_custom_command(OUTPUT ${icon}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${folder}
            COMMAND tovi-make-icon ${icon} ${size}
            DEPENDS tovi-make-icon
            COMMENT "Drawing the ${folder} program icon")
        list(APPEND TOVI_ICONS ${icon})
        install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${folder}/apps)
    endforeach()
    add_custom_target(tovi-icons ALL DEPENDS ${TOVI_ICONS})
endif()

# The packaging files pass the freedesktop validators where these are installed.
if(TOVI_BUILD_TESTS AND TARGET tovi-xmleditor)
    find_program(TOVI_DESKTOP_FILE_VALIDATE desktop-file-validate)
    if(TOVI_DESKTOP_FILE_VALIDATE)
        # It exits 0 on hints too: any output fails the test.
        add_test(NAME desktop-file-validate COMMAND ${TOVI_DESKTOP_FILE_VALIDATE}
                 ${PROJECT_SOURCE_DIR}/dist/tovi-xmleditor.desktop)
        set_tests_properties(desktop-file-validate PROPERTIES FAIL_REGULAR_EXPRESSION ".")
    endif()
    find_program(TOVI_APPSTREAMCLI appstreamcli)
    if(TOVI_APPSTREAMCLI)
        # Without the network: the screenshot's address is checked for form, not fetched.
        add_test(NAME appstream-validate
                 COMMAND ${TOVI_APPSTREAMCLI} validate --no-net ${TOVI_METAINFO})
    endif()
    find_program(TOVI_GROFF groff)
    if(TOVI_GROFF)
        add_test(NAME man-page COMMAND ${TOVI_GROFF} -man -ww -z
                 ${CMAKE_BINARY_DIR}/dist/tovi-xmleditor.1)
        set_tests_properties(man-page PROPERTIES FAIL_REGULAR_EXPRESSION ".")
    endif()
endif()
