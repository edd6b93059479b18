set_tests_properties(tst_import PROPERTIES TIMEOUT 120 LABELS "files;unit")
