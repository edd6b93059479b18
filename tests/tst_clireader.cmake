# kelmora-cli end to end against kelmora-unitsim (both must be built).
set_tests_properties(tst_clireader PROPERTIES TIMEOUT 300 LABELS integration)
