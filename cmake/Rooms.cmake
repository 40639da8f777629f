# A folder is a room: one static library made of its sources, plus its tests.
#
#   add_room(<target> [LIBS <libs>...] [TEST_LIBS <libs>...])
#
# Sources are the folder's *.cpp files except tests and main.cpp.
#   *_test.cpp   GoogleTest cases, built into one executable <target>_unit (label "unit")
#   *_wtest.cpp  Qt Test window tests, one executable each (label "widget"), run offscreen
#   *_stress.cpp long runs against the real thing, one executable each with its own main()
#                (label "stress")
# The folder's parent is on the include path, so code includes "room/File.h".
function(add_room target)
    cmake_parse_arguments(R "" "" "LIBS;TEST_LIBS" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    file(GLOB units CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    file(GLOB wtests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_wtest.cpp)
    file(GLOB stresses CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_stress.cpp)
    list(FILTER srcs EXCLUDE REGEX "(_test|_wtest|_stress|/main)\\.cpp$")
    get_filename_component(parent ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)

    if(srcs)
        add_library(${target} STATIC ${srcs} ${hdrs})
        target_include_directories(${target} PUBLIC ${parent})
        target_link_libraries(${target} PUBLIC ${R_LIBS})
    else()
        add_library(${target} INTERFACE ${hdrs})
        target_include_directories(${target} INTERFACE ${parent})
        target_link_libraries(${target} INTERFACE ${R_LIBS})
    endif()

    if(units)
        add_executable(${target}_unit ${units})
        target_link_libraries(${target}_unit PRIVATE ${target} ${R_TEST_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
        gtest_discover_tests(${target}_unit
            PROPERTIES LABELS unit ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
            DISCOVERY_TIMEOUT 60)
    endif()

    foreach(wtest ${wtests})
        get_filename_component(name ${wtest} NAME_WE)
        add_executable(${name} ${wtest})
        target_link_libraries(${name} PRIVATE ${target} ${R_TEST_LIBS} Qt6::Test)
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
        target_link_libraries(${name} PRIVATE ${target} ${R_TEST_LIBS} GTest::gtest)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES LABELS stress TIMEOUT 600
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endforeach()
endfunction()
