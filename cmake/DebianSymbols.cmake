# Writes the symbols file of the library's Debian package from what the built library exports:
# each symbol with the release of its version node (STATUSOBJECT_1 -> 1.0.0, STATUSOBJECT_1.1 ->
# 1.1.0), so that dpkg-shlibdeps makes a host depend on the oldest library that has every symbol
# it uses.
#   cmake -DLIBRARY=.. -DSONAME=libStatusObject.so.1 -DPACKAGE=libstatusobject1 -DOUTPUT=.. -P DebianSymbols.cmake
execute_process(COMMAND nm -D --defined-only --with-symbol-versions ${LIBRARY} OUTPUT_VARIABLE exported
                COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" ";" lines "${exported}")
set(entries)
foreach(line IN LISTS lines)
  if(line MATCHES " ([^ @]+)@@(STATUSOBJECT_([0-9]+)(\\.([0-9]+))?)$")
    set(minor 0)
    if(CMAKE_MATCH_5)
      set(minor ${CMAKE_MATCH_5})
    endif()
    list(APPEND entries " ${CMAKE_MATCH_1}@${CMAKE_MATCH_2} ${CMAKE_MATCH_3}.${minor}.0")
  endif()
endforeach()
list(SORT entries)
list(JOIN entries "\n" body)
file(WRITE ${OUTPUT} "${SONAME} ${PACKAGE} #MINVER#\n* Build-Depends-Package: libstatusobject-dev\n${body}\n")
