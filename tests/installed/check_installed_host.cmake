# Installs the built project into a scratch prefix and builds and runs an outside host (host/), then
# builds the example host of the README (examples/minimal-host),
# against it with find_package(StatusObject): the installed headers and package are all it needs.
#   cmake -DBUILD_DIR=.. -DWORK_DIR=.. -DGENERATOR=.. [-DCXX_COMPILER=..] [-DLAUNCHER=..] -P check_installed_host.cmake
file(REMOVE_RECURSE ${WORK_DIR})
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
  message(STATUS "${what}: ${out}")
endfunction()
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
run("configure the host" ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/host -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER})
run("build the host" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run("run the host" ${WORK_DIR}/build/outside_host)

# The example host of the README, built the same way against the same installed package.
run("configure the example host" ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/../../examples/minimal-host
    -B ${WORK_DIR}/example -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER} -DCMAKE_CXX_FLAGS=-Werror)
run("build the example host" ${CMAKE_COMMAND} --build ${WORK_DIR}/example)

# The installed library exports the public API only: no header of src/ is installed and no
# layer library sits beside it.
file(GLOB_RECURSE installed RELATIVE ${WORK_DIR}/prefix ${WORK_DIR}/prefix/*)
foreach(f IN LISTS installed)
  if(f MATCHES "libso_|\\.a$|/src/|include-roots")
    message(FATAL_ERROR "installed but internal: ${f}")
  endif()
endforeach()
