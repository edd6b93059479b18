# Transactions and settings over a pseudo-terminal; several wait out the
# unit's silence time-outs on purpose.
set_tests_properties(tst_readerops PROPERTIES TIMEOUT 180 LABELS integration)
