# Fails when code under ROOT/src catches a standard exception by its type.
# Velmora.exe defines the standard library's throw helpers itself
# (src/app/LibraryThrows.cpp) and throws other types than the library's own:
# a typed catch would pass every test built without them and fail in the product.
file(GLOB_RECURSE sources "${ROOT}/src/*.cpp" "${ROOT}/src/*.h")
set(found "")
foreach(source ${sources})
  file(STRINGS "${source}" lines REGEX "catch[ \t]*\\([ \t]*(const[ \t]+)?(std::|::std::)")
  foreach(line ${lines})
    string(STRIP "${line}" line)
    list(APPEND found "${source}: ${line}")
  endforeach()
endforeach()
if(found)
  list(JOIN found "\n" report)
  message(FATAL_ERROR "A standard exception caught by its type (catch (...) only):\n${report}")
endif()
