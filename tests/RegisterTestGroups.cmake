# Read by ctest (a TEST_INCLUDE_FILES script written by vq_add_test_groups): registers the tests
# of one test program in groups, each group one process that runs up to vq_group_size tests of one
# suite in a row. A process of the sanitized build takes most of a second to start, which would
# otherwise be paid once per test.
#
# Set by the caller: vq_exe, vq_prefix, vq_filter, vq_environment, vq_labels, vq_alone (suites
# whose tests each run in a process of their own), vq_group_size, vq_results (folder of the
# groups' XML reports), vq_workdir, vq_list (where the program's list of tests is kept).

if(NOT EXISTS "${vq_exe}")
    return()
endif()
if(NOT EXISTS "${vq_list}" OR "${vq_exe}" IS_NEWER_THAN "${vq_list}")
    execute_process(
        COMMAND "${vq_exe}" --gtest_list_tests "--gtest_filter=${vq_filter}"
        WORKING_DIRECTORY "${vq_workdir}"
        OUTPUT_VARIABLE listing
        ERROR_VARIABLE listing_error
        RESULT_VARIABLE listing_result
        TIMEOUT 120)
    if(NOT listing_result EQUAL 0)
        # A test that fails with what the program said, in place of tests nobody could list.
        add_test("${vq_prefix}listing-of-${vq_exe}" "${vq_exe}" --gtest_list_tests)
        return()
    endif()
    file(WRITE "${vq_list}" "${listing}")
endif()

# Adds one group: the tests (names without their suite) of a suite, the group's name.
function(vq_add_group suite tests name)
    list(TRANSFORM tests PREPEND "${suite}.")
    list(LENGTH tests count)
    string(REPLACE ";" ":" filter "${tests}")
    string(REGEX REPLACE "[^A-Za-z0-9_.#-]" "_" report "${name}")
    add_test("${name}" "${vq_exe}" "--gtest_filter=${filter}" "--gtest_output=xml:${vq_results}/${report}.xml")
    # A group has the time of its tests; without the times of an earlier run, ctest starts the
    # larger groups first.
    math(EXPR timeout "240 + 120 * ${count}")
    set_tests_properties("${name}" PROPERTIES
        WORKING_DIRECTORY "${vq_workdir}"
        LABELS "${vq_labels}"
        TIMEOUT ${timeout}
        COST ${count})
    if(vq_environment)
        set_tests_properties("${name}" PROPERTIES ENVIRONMENT "${vq_environment}")
    endif()
endfunction()

# Adds a suite's tests in groups of at most vq_group_size, named "<suite>#<n>" (the suite's name
# alone when one group holds them all).
function(vq_group_suite suite tests)
    set(size ${vq_group_size})
    if(suite IN_LIST vq_alone)
        set(size 1)
    endif()
    list(LENGTH tests total)
    if(total LESS_EQUAL size)
        vq_add_group("${suite}" "${tests}" "${vq_prefix}${suite}")
        return()
    endif()
    set(index 0)
    foreach(start RANGE 0 ${total} ${size})
        if(start LESS total)
            math(EXPR index "${index} + 1")
            list(SUBLIST tests ${start} ${size} group)
            vq_add_group("${suite}" "${group}" "${vq_prefix}${suite}#${index}")
        endif()
    endforeach()
endfunction()

# The listing: a suite's line ("Suite."), then its tests, each indented by two blanks.
file(STRINGS "${vq_list}" lines)
set(suite "")
set(suite_tests "")
foreach(line IN LISTS lines)
    if(line MATCHES "^  ([^ #]+)")
        list(APPEND suite_tests "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^([^ #]+)\\.")
        if(suite_tests)
            vq_group_suite("${suite}" "${suite_tests}")
        endif()
        set(suite "${CMAKE_MATCH_1}")
        set(suite_tests "")
    endif()
endforeach()
if(suite_tests)
    vq_group_suite("${suite}" "${suite_tests}")
endif()
