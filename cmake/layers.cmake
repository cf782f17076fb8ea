# tw_layer(NAME DEPS...): the static library tw_NAME from NAME/*.cpp, linking DEPS.
# Every build first checks the layer rule (cmake/check_layers.cmake); the core layers are
# compiled with cmake/poison ahead of the system headers, so a platform header there fails.
file(GLOB_RECURSE TW_LAYERED_FILES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/base/*.h ${CMAKE_SOURCE_DIR}/base/*.cpp
    ${CMAKE_SOURCE_DIR}/image/*.h ${CMAKE_SOURCE_DIR}/image/*.cpp
    ${CMAKE_SOURCE_DIR}/anim/*.h ${CMAKE_SOURCE_DIR}/anim/*.cpp
    ${CMAKE_SOURCE_DIR}/render/*.h ${CMAKE_SOURCE_DIR}/render/*.cpp
    ${CMAKE_SOURCE_DIR}/formats/*.h ${CMAKE_SOURCE_DIR}/formats/*.cpp
    ${CMAKE_SOURCE_DIR}/scenes/*.h ${CMAKE_SOURCE_DIR}/scenes/*.cpp
    ${CMAKE_SOURCE_DIR}/host/*.h ${CMAKE_SOURCE_DIR}/host/*.cpp
    ${CMAKE_SOURCE_DIR}/tools/*.h ${CMAKE_SOURCE_DIR}/tools/*.cpp)
set(TW_LAYER_STAMP ${CMAKE_BINARY_DIR}/layers.checked)
add_custom_command(OUTPUT ${TW_LAYER_STAMP}
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DSTAMP=${TW_LAYER_STAMP}
        -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
    DEPENDS ${TW_LAYERED_FILES} ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
    COMMENT "Checking that no layer includes one above it"
    VERBATIM)
add_custom_target(tw_layer_check DEPENDS ${TW_LAYER_STAMP})

function(tw_layer name)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${name}/*.cpp)
    add_library(tw_${name} STATIC ${sources})
    target_include_directories(tw_${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_include_directories(tw_${name} BEFORE PRIVATE ${CMAKE_SOURCE_DIR}/cmake/poison)
    target_link_libraries(tw_${name} PUBLIC ${ARGN})
    add_dependencies(tw_${name} tw_layer_check)
endfunction()
