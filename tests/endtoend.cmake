set_tests_properties(tst_endtoend PROPERTIES TIMEOUT 180 LABELS "gui;integration")
