# One static library per source folder. Sources are picked up from the folder so that a new
# unit needs no list edit; CONFIGURE_DEPENDS re-globs when files are added.
function(kvt_folder_library name)
    cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC
        ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LINK} PRIVATE kvt_warnings)
endfunction()

# A command-line tool: one main.cpp per folder under tools/.
function(kvt_tool name)
    cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARG_LINK} kvt_warnings)
endfunction()

# One test program per *_test.cpp in a test folder, so that units build and fail apart; every
# TEST becomes its own CTest case.
function(kvt_test_folder)
    cmake_parse_arguments(ARG "" "" "LINK;DEPENDS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    foreach(source ${sources})
        get_filename_component(stem ${source} NAME_WE)
        set(target ${folder}_${stem})
        add_executable(${target} ${source})
        target_link_libraries(${target} PRIVATE ${ARG_LINK} kvt_test_support GTest::gtest_main
            GTest::gmock kvt_warnings)
        if(ARG_DEPENDS)
            add_dependencies(${target} ${ARG_DEPENDS})
        endif()
        target_compile_definitions(${target} PRIVATE KVT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
        set(pg_fixture)
        if(KVT_TEST_PG_HOST)
            # Where the tests' PostgreSQL cluster listens (tests/CMakeLists.txt).
            target_compile_definitions(${target} PRIVATE KVT_TEST_PG_HOST="${KVT_TEST_PG_HOST}"
                KVT_TEST_PG_PORT="${KVT_TEST_PG_PORT}")
            set(pg_fixture FIXTURES_REQUIRED kvt_pg)
        endif()
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
            PROPERTIES ENVIRONMENT "KVT_TOOLS_DIR=${PROJECT_BINARY_DIR}/tools" ${pg_fixture})
    endforeach()
endfunction()
