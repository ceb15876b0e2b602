# Installation: the program, the language file when the tree has one, a desktop entry for the
# XML types (so "Open with" in a file manager starts the editor and reaches the running one
# through the single-instance hand-over) and its icon, drawn at build time.
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
    install(FILES ${PROJECT_SOURCE_DIR}/docs/USER_GUIDE.md
            DESTINATION ${CMAKE_INSTALL_DOCDIR})

    add_executable(tovi-make-icon ${PROJECT_SOURCE_DIR}/dist/MakeIcon.cpp)
    target_link_libraries(tovi-make-icon PRIVATE tovi_ui)
    set(TOVI_ICON_SIZES 48 128 256)
    set(TOVI_ICONS "")
    foreach(size IN LISTS TOVI_ICON_SIZES)
        set(icon ${CMAKE_BINARY_DIR}/icons/${size}/tovi-xmleditor.png)
        add_custom_command(OUTPUT ${icon}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
            COMMAND tovi-make-icon ${icon} ${size}
            DEPENDS tovi-make-icon
            COMMENT "Drawing the ${size} pixel program icon")
        list(APPEND TOVI_ICONS ${icon})
        install(FILES ${icon}
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(tovi-icons ALL DEPENDS ${TOVI_ICONS})
endif()
