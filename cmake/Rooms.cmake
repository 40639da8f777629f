# A folder is a room: one static library made of its sources, plus its tests.
#
#   add_room(<target> SOURCES <files>... [TESTS <files>...]
#            [LIBS <libs>...] [USES <libs>...] [TEST_LIBS <libs>...])
#
# SOURCES are the room's own .cpp and .h files, written out; TESTS its test files, sorted by
# name:
#   *_test.cpp   GoogleTest cases, built into one executable <target>_unit (label "unit")
#   *_wtest.cpp  Qt Test window tests, one executable each (label "widget"), run offscreen
#   *_stress.cpp long runs against the real thing, one executable each with its own main()
#                (label "stress")
# LIBS are what the room's headers need, and pass on to whoever links the room; USES are what
# only its sources (and its tests) need, and are not passed on. A file includes headers only
# of the rooms its own target links directly (the room_rules test checks it, and that every
# file of the folder is listed).
# Code includes "room/File.h": the room's include folder in the build tree holds one link,
# named after the room, to the room's folder.
function(add_room target)
    cmake_parse_arguments(R "" "" "SOURCES;TESTS;LIBS;USES;TEST_LIBS" ${ARGN})
    set(srcs)
    set(hdrs)
    foreach(file ${R_SOURCES})
        if(file MATCHES "(_test|_wtest|_stress|^main)\\.cpp$")
            message(FATAL_ERROR "${target}: ${file} is a test or a main(); list it under TESTS")
        elseif(file MATCHES "\\.cpp$")
            list(APPEND srcs ${CMAKE_CURRENT_SOURCE_DIR}/${file})
        else()
            list(APPEND hdrs ${CMAKE_CURRENT_SOURCE_DIR}/${file})
        endif()
    endforeach()
    set(units)
    set(wtests)
    set(stresses)
    foreach(file ${R_TESTS})
        if(file MATCHES "_test\\.cpp$")
            list(APPEND units ${CMAKE_CURRENT_SOURCE_DIR}/${file})
        elseif(file MATCHES "_wtest\\.cpp$")
            list(APPEND wtests ${CMAKE_CURRENT_SOURCE_DIR}/${file})
        elseif(file MATCHES "_stress\\.cpp$")
            list(APPEND stresses ${CMAKE_CURRENT_SOURCE_DIR}/${file})
        else()
            message(FATAL_ERROR "${target}: ${file} is not named *_test, *_wtest or *_stress")
        endif()
    endforeach()
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
    set_property(GLOBAL APPEND PROPERTY TAVREL_ROOMS ${target})
    set_target_properties(${target} PROPERTIES ROOM_DIR ${CMAKE_CURRENT_SOURCE_DIR}
        ROOM_FILES "${srcs};${hdrs}" ROOM_LINKS "${R_LIBS};${R_USES}")
    set(tests)

    if(units)
        add_executable(${target}_unit ${units})
        target_link_libraries(${target}_unit PRIVATE ${target} ${R_LIBS} ${R_USES} ${R_TEST_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
        gtest_discover_tests(${target}_unit
            PROPERTIES LABELS unit ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
            DISCOVERY_TIMEOUT 60)
        list(APPEND tests ${target}_unit)
        set_target_properties(${target}_unit PROPERTIES ROOM_FILES "${units}")
    endif()

    foreach(wtest ${wtests})
        get_filename_component(name ${wtest} NAME_WE)
        add_executable(${name} ${wtest})
        target_link_libraries(${name} PRIVATE ${target} ${R_LIBS} ${R_USES} ${R_TEST_LIBS} Qt6::Test)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES LABELS widget TIMEOUT 300
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_QUICK_BACKEND=software")
        list(APPEND tests ${name})
        set_target_properties(${name} PROPERTIES ROOM_FILES "${wtest}")
    endforeach()

    # The sanitised build runs the quick tests only; a stress run there would double its time.
    if(TAVREL_SANITIZE)
        set(unbuilt_stresses ${stresses})
        set(stresses "")
    endif()
    foreach(stress ${stresses})
        get_filename_component(name ${stress} NAME_WE)
        add_executable(${name} ${stress})
        target_link_libraries(${name} PRIVATE ${target} ${R_LIBS} ${R_USES} ${R_TEST_LIBS} GTest::gtest)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES LABELS stress TIMEOUT 600
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
        list(APPEND tests ${name})
        set_target_properties(${name} PROPERTIES ROOM_FILES "${stress}")
    endforeach()
    foreach(test ${tests})
        set_target_properties(${test} PROPERTIES ROOM_DIR ${CMAKE_CURRENT_SOURCE_DIR}
            ROOM_LINKS "${target};${R_LIBS};${R_USES};${R_TEST_LIBS}")
    endforeach()
    set_target_properties(${target} PROPERTIES ROOM_TESTS "${tests}"
        ROOM_UNBUILT "${unbuilt_stresses}")
endfunction()

# A library of test support (fakes, rigs) checked by the same rules as a room: its files
# include only rooms it links directly.
function(room_rules_support target)
    cmake_parse_arguments(R "" "" "FILES;LINKS" ${ARGN})
    set(files)
    foreach(file ${R_FILES})
        list(APPEND files ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    endforeach()
    set_property(GLOBAL APPEND PROPERTY TAVREL_SUPPORT ${target})
    set_target_properties(${target} PROPERTIES ROOM_DIR ${CMAKE_CURRENT_SOURCE_DIR}
        ROOM_FILES "${files}" ROOM_LINKS "${R_LINKS}")
endfunction()

# Writes the room graph as the build has it, one line per target:
#   <kind> <tab> <target> <tab> <room target> <tab> <folder> <tab> <files;...> <tab> <links;...>
# kind is "room", "test" or "support"; the room_rules test reads it.
function(write_room_graph file)
    get_property(rooms GLOBAL PROPERTY TAVREL_ROOMS)
    get_property(supports GLOBAL PROPERTY TAVREL_SUPPORT)
    set(text "")
    foreach(room ${rooms})
        get_target_property(dir ${room} ROOM_DIR)
        get_target_property(files ${room} ROOM_FILES)
        get_target_property(links ${room} ROOM_LINKS)
        get_target_property(unbuilt ${room} ROOM_UNBUILT)
        if(unbuilt)
            list(APPEND files ${unbuilt})
        endif()
        string(APPEND text "room\t${room}\t${room}\t${dir}\t${files}\t${links}\n")
        get_target_property(tests ${room} ROOM_TESTS)
        foreach(test ${tests})
            get_target_property(files ${test} ROOM_FILES)
            get_target_property(links ${test} ROOM_LINKS)
            string(APPEND text "test\t${test}\t${room}\t${dir}\t${files}\t${links}\n")
        endforeach()
    endforeach()
    foreach(support ${supports})
        get_target_property(dir ${support} ROOM_DIR)
        get_target_property(files ${support} ROOM_FILES)
        get_target_property(links ${support} ROOM_LINKS)
        string(APPEND text "support\t${support}\t-\t${dir}\t${files}\t${links}\n")
    endforeach()
    file(WRITE ${file} "${text}")
endfunction()
