# The floors of src/, each its own library that links only the floors below it:
#   platform < station < protocol < dc09 < answer < record < pipeline < link < remote
#   < {ui, station_cli} < {app, tools, bench, fuzz}.
# Headers are included as "folder/file.h". Each floor's include root holds its own folder alone;
# a library sees the roots of the floors it links, so an include that runs back up finds no file
# and fails to build.
set(CORVANE_INCLUDE_ROOTS ${PROJECT_BINARY_DIR}/include)

# corvane_include_root(<folder>): the include root of one folder of src/.
function(corvane_include_root folder out)
  set(root ${CORVANE_INCLUDE_ROOTS}/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# corvane_floor(<folder> SOURCES <files...> LINKS <lower floors...> [PRIVATE_LINKS <libs...>]):
# the library corvane_<folder>.
function(corvane_floor folder)
  cmake_parse_arguments(F "" "" "SOURCES;LINKS;PRIVATE_LINKS" ${ARGN})
  corvane_include_root(${folder} root)
  add_library(corvane_${folder} STATIC ${F_SOURCES})
  target_include_directories(corvane_${folder} PUBLIC ${root})
  target_link_libraries(corvane_${folder} PUBLIC ${F_LINKS} PRIVATE ${F_PRIVATE_LINKS})
  corvane_warnings(corvane_${folder})
endfunction()
