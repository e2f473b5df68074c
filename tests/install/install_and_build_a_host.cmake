# Installs the build in BUILD_DIR into a scratch prefix under WORK_DIR, then builds the host
# program of HOST_DIR against it twice, through find_package(Tessaglyph) and through
# pkg-config, and runs both on a small grid with the installed ESRI ASCII script.
#   cmake -DBUILD_DIR=... -DHOST_DIR=... -DWORK_DIR=... -DBUILD_TYPE=... -DSANITIZE=ON|OFF
#         -DCXX=... -P install_and_build_a_host.cmake
function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
run_step("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(installed include/tessaglyph/tessaglyph.hpp share/tessaglyph/nadcon/CONUS.LAS
        share/tessaglyph/scripts/srtm_hgt.tgp bin/tessaglyph bin/tgasm)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "cmake --install did not install ${installed}")
  endif()
endforeach()

set(flags "")
if(SANITIZE)
  set(flags "-fsanitize=address,undefined")
endif()
file(WRITE ${WORK_DIR}/grid.asc "ncols 2\nnrows 2\nxllcorner 10\nyllcorner 20\ncellsize 1\n"
     "NODATA_value -9999\n1 2\n3 -9999\n")
set(script ${prefix}/share/tessaglyph/scripts/esri_ascii.tgp)
set(expected "20.5,10.5,3\n21.4,11.4,2\n20.6,11.4,no data\n45,45,no data\n")

# find_package
run_step("configuring the host" ${CMAKE_COMMAND} -S ${HOST_DIR} -B ${WORK_DIR}/host
  -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_CXX_COMPILER=${CXX}
  "-DCMAKE_CXX_FLAGS=${flags}" "-DCMAKE_EXE_LINKER_FLAGS=${flags}")
run_step("building the host" ${CMAKE_COMMAND} --build ${WORK_DIR}/host)
run_step("running the host" ${WORK_DIR}/host/host ${WORK_DIR}/grid.asc ${script})
if(NOT step_output STREQUAL expected)
  message(FATAL_ERROR "the host (find_package) printed\n${step_output}\ninstead of\n${expected}")
endif()

# pkg-config
find_program(PKG_CONFIG pkg-config REQUIRED)
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run_step("pkg-config" ${PKG_CONFIG} --cflags --libs tessaglyph)
string(STRIP "${step_output}" pc_flags)
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(extra UNIX_COMMAND "${flags}")
run_step("compiling the host with pkg-config" ${CXX} ${extra} ${HOST_DIR}/main.cpp -o
  ${WORK_DIR}/host-pc ${pc_flags})
run_step("running the pkg-config host" ${WORK_DIR}/host-pc ${WORK_DIR}/grid.asc ${script})
if(NOT step_output STREQUAL expected)
  message(FATAL_ERROR "the host (pkg-config) printed\n${step_output}\ninstead of\n${expected}")
endif()
