set_tests_properties(tst_datatable PROPERTIES TIMEOUT 90 LABELS gui)
