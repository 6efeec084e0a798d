# Run after the exe's link (src/CMakeLists.txt, MAP and EXE given): fails the build, and
# removes the exe, when the link took in a member of the C++ library that the exe must do
# without: the throw helpers' object file (std::__throw_* not wrapped by
# src/library_throws.cpp), the reference-counted string and the exceptions built on it
# (some 80 KiB of the 32-bit exe), or the verbose terminate handler and its demangler.
# The map names, under each member, the file and symbol that brought it in.
file(READ "${MAP}" map)
set(unwanted functexcept cow-stdexcept cow-string-inst cow-shim_facets vterminate cp-demangle)
set(found "")
foreach(member IN LISTS unwanted)
  string(REGEX MATCH "\\(${member}\\.o\\)\n[ \t]+[^\n]*" hit "${map}")
  if(hit)
    string(REGEX REPLACE "\n[ \t]+" " for " hit "${hit}")
    string(APPEND found "\n  ${hit}")
  endif()
endforeach()
if(found)
  file(REMOVE "${EXE}")
  message(FATAL_ERROR "The C++ library's members that the exe must do without came in:${found}\n"
    "Wrap the symbol named in src/library_throws.cpp, or leave out the call that brings it.")
endif()
