# Runs at installation time. Puts the empty database into the program folder only when the
# folder holds none yet: the file already there may be an office's call log, and the engine
# finds it under any case of "llamora.mdb".
# Set by the caller: LLAMORA_EMPTY_DATABASE (the built file) and LLAMORA_DATABASE_DESTINATION
# (the program folder, relative to the install prefix or absolute).
set(folder "${LLAMORA_DATABASE_DESTINATION}")
if(NOT IS_ABSOLUTE "${folder}")
    set(folder "${CMAKE_INSTALL_PREFIX}/${folder}")
endif()

set(existing "")
file(GLOB entries "$ENV{DESTDIR}${folder}/*")
foreach(entry IN LISTS entries)
    get_filename_component(name "${entry}" NAME)
    string(TOLOWER "${name}" lower_name)
    if(lower_name STREQUAL "llamora.mdb")
        set(existing "${entry}")
    endif()
endforeach()

if(existing)
    message(STATUS "Kept: ${existing} (an installation never replaces a database)")
else()
    file(INSTALL DESTINATION "${folder}" TYPE FILE FILES "${LLAMORA_EMPTY_DATABASE}")
endif()
