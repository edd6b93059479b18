set_tests_properties(tst_convertcli PROPERTIES TIMEOUT 180 LABELS "files;cli")
