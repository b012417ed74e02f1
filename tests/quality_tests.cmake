# Soak and accessibility tests of the window, run offscreen.
#
# The soak's seed and length come from COINCIDENZE_SOAK_SEED and
# COINCIDENZE_SOAK_EVENTS; for runs much longer than the default, start
# form1_soak_test directly (QT_QPA_PLATFORM=offscreen) rather than through
# ctest, whose timeout is sized for the default.
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Test)

foreach(test_name form1_soak_test form1_accessibility_test)
    add_executable(${test_name} ${test_name}.cpp)
    target_link_libraries(${test_name} PRIVATE
        coincidenze::window coincidenze::analysis Qt6::Test coincidenze_warnings)
    target_include_directories(${test_name} PRIVATE ${PROJECT_SOURCE_DIR})
    set_target_properties(${test_name} PROPERTIES AUTOMOC ON)
    add_test(NAME ${test_name} COMMAND ${test_name})
    set_tests_properties(${test_name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        TIMEOUT 120)
endforeach()
