# kadex_layer(NAME DEPENDENCIES...): the static library kadex_NAME from the sources in the folder NAME (main.cpp
# aside). Its public include folder holds only a link named NAME to the source folder, so code that links it can
# include "NAME/..." and nothing of a layer it does not link.
function(kadex_layer name)
    set(root ${CMAKE_BINARY_DIR}/layers/${name})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${name} ${root}/${name} SYMBOLIC)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${name}/*.cpp ${CMAKE_SOURCE_DIR}/${name}/*.h)
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${name}/main.cpp)
    add_library(kadex_${name} STATIC ${sources})
    target_include_directories(kadex_${name} PUBLIC ${root})
    target_link_libraries(kadex_${name} PUBLIC ${ARGN})
endfunction()
