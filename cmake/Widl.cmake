# widl_compile(<idl> [DEPENDS ...]): header, interface ids and type library
# into GENERATED_DIR. Wine's include folder is for widl only, never for g++.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(WIDL ${MINGW_TRIPLE}-widl)
  set(WIDL_ARCH -m64)
  set(WIDL_LIB /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
else()
  set(WIDL ${MINGW_TRIPLE}-widl)
  set(WIDL_ARCH --win32)
  # Only the 64-bit stdole2.tlb ships here; widl reads it for either target.
  set(WIDL_LIB /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
endif()

function(widl_compile idl)
  cmake_parse_arguments(W "TLB" "" "DEPENDS;INCLUDES" ${ARGN})
  get_filename_component(name ${idl} NAME_WE)
  get_filename_component(abs ${idl} ABSOLUTE)
  get_filename_component(dir ${abs} DIRECTORY)
  set(incs -I${dir} -I${CMAKE_SOURCE_DIR}/idl -I${GENERATED_DIR})
  foreach(i ${W_INCLUDES})
    list(APPEND incs -I${i})
  endforeach()
  set(outputs ${GENERATED_DIR}/${name}.h ${GENERATED_DIR}/${name}_i.c)
  set(tlb)
  if(W_TLB)
    list(APPEND outputs ${GENERATED_DIR}/${name}.tlb)
    set(tlb -t -T ${GENERATED_DIR}/${name}.tlb)
  endif()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${WIDL} ${WIDL_ARCH} ${incs} -I/usr/include/wine/wine/windows -L${WIDL_LIB} -L${GENERATED_DIR}
            -h -H ${GENERATED_DIR}/${name}.h -u -U ${GENERATED_DIR}/${name}_i.c
            ${tlb} ${abs}
    DEPENDS ${abs} ${W_DEPENDS}
    WORKING_DIRECTORY ${GENERATED_DIR}
    VERBATIM)
endfunction()
