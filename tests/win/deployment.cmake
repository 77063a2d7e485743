# The folder's grant and the security calls it needs.
target_link_libraries(deployment_test PRIVATE advapi32)
