# What `cmake --install` puts under the prefix: the three programs, their menu entries, icons
# (the SVG as drawn plus PNGs rendered from it for themes and menus that only take bitmaps),
# AppStream metainfo and the wavsplice manual page.
include(GNUInstallDirs)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(GZIP gzip REQUIRED)

install(TARGETS tavrel splicer wavsplice RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(TAVREL_ICON_SIZES 48 256)
set(desktop_outputs)

# One window program's desktop files: <folder>/<id>.svg, <id>.desktop and <id>.metainfo.xml.
function(install_desktop_program id folder)
    set(svg ${folder}/${id}.svg)
    set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(FILES ${svg} DESTINATION ${icons}/scalable/apps)
    foreach(size ${TAVREL_ICON_SIZES})
        set(dir ${CMAKE_BINARY_DIR}/icons/${size}x${size})
        add_custom_command(OUTPUT ${dir}/${id}.png
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${dir}/${id}.png ${svg}
            DEPENDS ${svg}
            COMMENT "Rendering the ${size} pixel icon ${id}.png")
        install(FILES ${dir}/${id}.png DESTINATION ${icons}/${size}x${size}/apps)
        list(APPEND desktop_outputs ${dir}/${id}.png)
    endforeach()
    install(FILES ${folder}/${id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${folder}/${id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    set(desktop_outputs ${desktop_outputs} PARENT_SCOPE)
endfunction()

install_desktop_program(org.tavrel.tavrel ${CMAKE_SOURCE_DIR}/player/resources/desktop)
install_desktop_program(org.tavrel.splicer ${CMAKE_SOURCE_DIR}/splicer/resources)

# The manual page takes the project's version. Debian installs manual pages compressed,
# without a timestamp so the package is reproducible.
configure_file(${CMAKE_SOURCE_DIR}/splicer/cli/wavsplice.1.in ${CMAKE_BINARY_DIR}/man/wavsplice.1
    @ONLY)
set(man_page ${CMAKE_BINARY_DIR}/man/wavsplice.1.gz)
add_custom_command(OUTPUT ${man_page}
    COMMAND ${GZIP} -9 -n -c ${CMAKE_BINARY_DIR}/man/wavsplice.1 > ${man_page}
    DEPENDS ${CMAKE_BINARY_DIR}/man/wavsplice.1
    COMMENT "Compressing the wavsplice manual page")
install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
list(APPEND desktop_outputs ${man_page})

add_custom_target(desktop_files ALL DEPENDS ${desktop_outputs})
# Everything the install rules take, so a package can be made without building the tests.
add_custom_target(programs DEPENDS tavrel splicer wavsplice desktop_files)
