# Runs at install time: puts the shipped language file beside the program where the module folder has none.
# A plant's own language file, in any letter case (the program finds it so), holds its translator's texts and is
# never replaced.
set(module_folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(GLOB present LIST_DIRECTORIES false RELATIVE "${module_folder}" "${module_folder}/*")
foreach(name IN LISTS present)
    string(TOLOWER "${name}" lower_name)
    if(lower_name STREQUAL "kadex_config.ini")
        message(STATUS "Kept: ${module_folder}/${name} (the plant's language file stays as it is)")
        return()
    endif()
endforeach()
file(INSTALL "${KADEX_SHIPPED_LANGUAGE_FILE}" DESTINATION "${CMAKE_INSTALL_PREFIX}")
