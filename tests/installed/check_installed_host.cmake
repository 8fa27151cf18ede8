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
# The installed application finds the library installed beside it, whatever the prefix.
run("run the installed statusviewer" ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
    ${WORK_DIR}/prefix/bin/statusviewer --help)
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

# On a site that names no workstation and no profile the example says so and stops, rather than
# showing an empty window.
set(site ${WORK_DIR}/example/site.db)
run("make a site without workstations" ${Python3_EXECUTABLE} -c
    "import sqlite3; c = sqlite3.connect('${site}'); c.execute('CREATE TABLE Workstations (ComputerName TEXT, ProfileID INTEGER)'); c.execute('CREATE TABLE Profiles (ProfileID INTEGER PRIMARY KEY)'); c.commit()")
foreach(choice "--computer;nowhere;assigns no operator profile to the computer .nowhere."
               "--profile;7;has no operator profile 7" "--profile;seven;has no operator profile seven")
  list(GET choice 0 option)
  list(GET choice 1 value)
  list(GET choice 2 expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${WORK_DIR}/example/minimal_host
                          sqlite:${site} ${option} ${value} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(rc EQUAL 0 OR NOT err MATCHES "${expected}")
    message(FATAL_ERROR "the example on a site without ${option} ${value}: exit ${rc}, said: ${err}")
  endif()
endforeach()

# The installed library exports the public API only: no header of src/ is installed and no
# layer library sits beside it.
file(GLOB_RECURSE installed RELATIVE ${WORK_DIR}/prefix ${WORK_DIR}/prefix/*)
foreach(f IN LISTS installed)
  if(f MATCHES "libso_|\\.a$|/src/|include-roots")
    message(FATAL_ERROR "installed but internal: ${f}")
  endif()
endforeach()
