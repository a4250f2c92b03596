# Build helpers for the COM servers built on the kit.
#
#   add_type_library(target idl)
#       Runs widl on idl for the type library, the header and the GUID file,
#       embeds the type library in target as resource `1 TYPELIB`, compiles
#       the GUIDs into target and puts the header on its include path.
#       Also defines the interface library <target>_guids, which programs that
#       call the server link to get the header and the GUIDs.
#
#   add_com_server(target IDL idl SOURCES ... [EXPORTS name...] [LIBS ...])
#       An in-process COM server DLL built on the kit: the four standard
#       exports by name (plus any EXPORTS), the type library of idl, no "lib"
#       prefix.

set(COMKIT_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(COMKIT_TOP ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
set(COMKIT_SYSTEM_IDL_DIR ${COMKIT_TOP}/.deps/wine-idl/usr/include/wine/wine/windows
    CACHE PATH "Folder holding oaidl.idl, ocidl.idl and the rest of the system IDL files")
set(COMKIT_STDOLE_DIR /usr/lib/i386-linux-gnu/wine/i386-windows
    CACHE PATH "Folder holding stdole2.tlb for importlib")
find_program(COMKIT_WIDL i686-w64-mingw32-widl REQUIRED)

function(add_type_library target idl)
    get_filename_component(idl_path ${idl} ABSOLUTE)
    get_filename_component(name ${idl} NAME_WE)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_tlb)
    set(flags -I${COMKIT_SYSTEM_IDL_DIR} -L${COMKIT_STDOLE_DIR})
    add_custom_command(
        OUTPUT ${dir}/${name}.tlb ${dir}/${name}.h ${dir}/${name}_i.c
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${COMKIT_WIDL} ${flags} -t -o ${dir}/${name}.tlb ${idl_path}
        COMMAND ${COMKIT_WIDL} ${flags} -h -o ${dir}/${name}.h ${idl_path}
        COMMAND ${COMKIT_WIDL} ${flags} -u -o ${dir}/${name}_i.c ${idl_path}
        DEPENDS ${idl_path}
        COMMENT "widl ${name}.idl"
        VERBATIM)
    file(WRITE ${dir}/${name}_tlb.rc.in "1 TYPELIB \"${dir}/${name}.tlb\"\n")
    configure_file(${dir}/${name}_tlb.rc.in ${dir}/${name}_tlb.rc COPYONLY)
    set_source_files_properties(${dir}/${name}_tlb.rc PROPERTIES
                                OBJECT_DEPENDS ${dir}/${name}.tlb)
    target_sources(${target} PRIVATE ${dir}/${name}_tlb.rc ${dir}/${name}_i.c
                                     ${dir}/${name}.h)
    target_include_directories(${target} PRIVATE ${dir})

    add_library(${target}_guids INTERFACE)
    target_sources(${target}_guids INTERFACE ${dir}/${name}_i.c)
    target_include_directories(${target}_guids INTERFACE ${dir})
    add_custom_target(${target}_idl DEPENDS ${dir}/${name}.h ${dir}/${name}_i.c)
    add_dependencies(${target}_guids ${target}_idl)
endfunction()

function(add_com_server target)
    cmake_parse_arguments(S "" "IDL" "SOURCES;EXPORTS;LIBS" ${ARGN})
    set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
    set(text "EXPORTS\n")
    foreach(e DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer
              ${S_EXPORTS})
        string(APPEND text "    ${e}\n")
    endforeach()
    file(WRITE ${def}.in "${text}")
    configure_file(${def}.in ${def} COPYONLY)
    add_library(${target} SHARED ${S_SOURCES} ${COMKIT_DIR}/server_exports.cpp ${def})
    set_target_properties(${target} PROPERTIES PREFIX "")
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
    target_link_libraries(${target} PRIVATE comkit ${S_LIBS})
    if(S_IDL)
        add_type_library(${target} ${S_IDL})
    endif()
endfunction()
