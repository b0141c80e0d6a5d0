# widl_compile(<idl> [DEPENDS ...]): header, interface ids and type library
# into GENERATED_DIR. Wine's include folder is for widl only, never for g++.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(WIDL ${MINGW_TRIPLE}-widl)
  set(WIDL_ARCH -m64)
  set(WIDL_LIB /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
else()
  set(WIDL ${MINGW_TRIPLE}-widl)
  set(WIDL_ARCH --win32)
  set(WIDL_LIB /usr/lib/x86_64-linux-gnu/wine/i386-windows)
endif()

function(widl_compile idl)
  cmake_parse_arguments(W "" "" "DEPENDS;INCLUDES" ${ARGN})
  get_filename_component(name ${idl} NAME_WE)
  get_filename_component(abs ${idl} ABSOLUTE)
  get_filename_component(dir ${abs} DIRECTORY)
  set(incs -I${dir} -I${CMAKE_SOURCE_DIR}/idl -I${GENERATED_DIR})
  foreach(i ${W_INCLUDES})
    list(APPEND incs -I${i})
  endforeach()
  add_custom_command(
    OUTPUT ${GENERATED_DIR}/${name}.h ${GENERATED_DIR}/${name}_i.c ${GENERATED_DIR}/${name}.tlb
    COMMAND ${WIDL} ${WIDL_ARCH} ${incs} -I/usr/include/wine/wine/windows -L${WIDL_LIB} -L${GENERATED_DIR}
            -h -H ${GENERATED_DIR}/${name}.h -u -U ${GENERATED_DIR}/${name}_i.c
            -t -T ${GENERATED_DIR}/${name}.tlb ${abs}
    DEPENDS ${abs} ${W_DEPENDS}
    WORKING_DIRECTORY ${GENERATED_DIR}
    VERBATIM)
endfunction()
