# A hundred rounds against the simulated unit at the unit's real command pace
# (a quarter second per command): several minutes, longer under the sanitizers.
set_tests_properties(tst_faultsoak PROPERTIES TIMEOUT 1800 LABELS "soak;gui;integration")
if(TARGET kelmora-unitsim)
  add_dependencies(tst_faultsoak kelmora-unitsim)
endif()
