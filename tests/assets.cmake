# The asset and sound tests read the built sys/ folder, so it must be there first.
if(TARGET assets)
  add_dependencies(molfo_tests assets)
  add_dependencies(molfo_slow_tests assets)
endif()
