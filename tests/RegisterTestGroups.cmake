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

file(STRINGS "${vq_list}" lines)
set(suite "")
set(groups "")
# Adds the group of tests collected so far (the variables members and count of the caller).
macro(vq_flush_group)
    if(count GREATER 0)
        math(EXPR group_index "${group_index} + 1")
        if(group_index EQUAL 1 AND at_end)
            set(name "${vq_prefix}${suite}")
        else()
            set(name "${vq_prefix}${suite}#${group_index}")
        endif()
        string(REGEX REPLACE "[^A-Za-z0-9_.#-]" "_" report "${name}")
        string(REPLACE ";" ":" filter "${members}")
        add_test("${name}" "${vq_exe}" "--gtest_filter=${filter}" "--gtest_output=xml:${vq_results}/${report}.xml")
        # A group has the time of its tests; ctest starts the larger groups first.
        math(EXPR timeout "240 + 120 * ${count}")
        set_tests_properties("${name}" PROPERTIES
            WORKING_DIRECTORY "${vq_workdir}"
            LABELS "${vq_labels}"
            TIMEOUT ${timeout}
            COST ${count})
        if(vq_environment)
            set_tests_properties("${name}" PROPERTIES ENVIRONMENT "${vq_environment}")
        endif()
        set(members "")
        set(count 0)
    endif()
endmacro()

# Groups one suite's tests (suite_tests) into runs of at most vq_group_size.
macro(vq_group_suite)
    if(suite)
        set(size ${vq_group_size})
        if("${suite}" IN_LIST vq_alone)
            set(size 1)
        endif()
        list(LENGTH suite_tests total)
        set(group_index 0)
        set(members "")
        set(count 0)
        set(seen 0)
        foreach(test ${suite_tests})
            list(APPEND members "${suite}.${test}")
            math(EXPR count "${count} + 1")
            math(EXPR seen "${seen} + 1")
            if(seen EQUAL total)
                set(at_end TRUE)
            else()
                set(at_end FALSE)
            endif()
            if(count EQUAL size OR at_end)
                vq_flush_group()
            endif()
        endforeach()
    endif()
endmacro()

set(suite_tests "")
foreach(line IN LISTS lines)
    if(line MATCHES "^  ([^ #]+)")
        list(APPEND suite_tests "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^([^ #]+)\\.")
        set(next_suite "${CMAKE_MATCH_1}")
        vq_group_suite()
        set(suite "${next_suite}")
        set(suite_tests "")
    endif()
endforeach()
vq_group_suite()
