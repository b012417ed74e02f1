find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Test)

add_executable(form1_test form1_test.cpp)
target_link_libraries(form1_test PRIVATE
    coincidenze::window coincidenze::analysis coincidenze_warnings Qt6::Test)
target_include_directories(form1_test PRIVATE ${PROJECT_SOURCE_DIR})
set_target_properties(form1_test PROPERTIES AUTOMOC ON)
add_test(NAME form1_test COMMAND form1_test)
# Offscreen: no display needed, and 96 dpi, the layout's design resolution.
set_tests_properties(form1_test PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    TIMEOUT 120)

# The program itself, started where no display can be reached.
foreach(case no_display_named unreachable_display)
    add_test(NAME program_${case}
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:coincidenze> -DCASE=${case}
                -P ${CMAKE_CURRENT_SOURCE_DIR}/program_without_display.cmake)
endforeach()

add_executable(app_setup_test app_setup_test.cpp)
target_link_libraries(app_setup_test PRIVATE coincidenze::window coincidenze_warnings Qt6::Test)
set_target_properties(app_setup_test PROPERTIES AUTOMOC ON)
add_test(NAME app_setup_test COMMAND app_setup_test)
set_tests_properties(app_setup_test PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C;LANG=C"
    TIMEOUT 60)
