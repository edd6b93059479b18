set_tests_properties(tst_screenshots PROPERTIES TIMEOUT 240 LABELS "gui;integration;screenshots")
