# A folder is a room: one static library made of its sources, plus its tests.
#
#   add_room(<target> [LIBS <libs>...] [USES <libs>...] [TEST_LIBS <libs>...])
#
# LIBS are what the room's headers need, and pass on to whoever links the room; USES are what
# only its sources (and its tests) need, and are not passed on. A room's headers are reachable
# only through its own target, so a room includes headers of exactly the rooms it links.
#
# Sources are the folder's *.cpp files except tests and main.cpp.
#   *_test.cpp   GoogleTest cases, built into one executable <target>_unit (label "unit")
#   *_wtest.cpp  Qt Test window tests, one executable each (label "widget"), run offscreen
#   *_stress.cpp long runs against the real thing, one executable each with its own main()
#                (label "stress")
# Code includes "room/File.h": the room's include folder in the build tree holds one link,
# named after the room, to the room's folder.
function(add_room target)
    cmake_parse_arguments(R "" "" "LIBS;USES;TEST_LIBS" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    file(GLOB units CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    file(GLOB wtests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_wtest.cpp)
    file(GLOB stresses CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_stress.cpp)
    list(FILTER srcs EXCLUDE REGEX "(_test|_wtest|_stress|/main)\\.cpp$")
    get_filename_component(room ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(include_dir ${CMAKE_BINARY_DIR}/rooms/${target})
    file(MAKE_DIRECTORY ${include_dir})
    if(NOT IS_SYMLINK ${include_dir}/${room})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${include_dir}/${room} SYMBOLIC)
    endif()

    if(srcs)
        add_library(${target} STATIC ${srcs} ${hdrs})
        target_include_directories(${target} PUBLIC ${include_dir})
        target_link_libraries(${target} PUBLIC ${R_LIBS} PRIVATE ${R_USES})
    else()
        add_library(${target} INTERFACE ${hdrs})
        target_include_directories(${target} INTERFACE ${include_dir})
        target_link_libraries(${target} INTERFACE ${R_LIBS} ${R_USES})
    endif()

    if(units)
        add_executable(${target}_unit ${units})
        target_link_libraries(${target}_unit PRIVATE ${target} ${R_USES} ${R_TEST_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
        gtest_discover_tests(${target}_unit
            PROPERTIES LABELS unit ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
            DISCOVERY_TIMEOUT 60)
    endif()

    foreach(wtest ${wtests})
        get_filename_component(name ${wtest} NAME_WE)
        add_executable(${name} ${wtest})
        target_link_libraries(${name} PRIVATE ${target} ${R_USES} ${R_TEST_LIBS} Qt6::Test)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES LABELS widget TIMEOUT 300
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_QUICK_BACKEND=software")
    endforeach()

    # The sanitised build runs the quick tests only; a stress run there would double its time.
    if(TAVREL_SANITIZE)
        set(stresses "")
    endif()
    foreach(stress ${stresses})
        get_filename_component(name ${stress} NAME_WE)
        add_executable(${name} ${stress})
        target_link_libraries(${name} PRIVATE ${target} ${R_USES} ${R_TEST_LIBS} GTest::gtest)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES LABELS stress TIMEOUT 600
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endforeach()
endfunction()
