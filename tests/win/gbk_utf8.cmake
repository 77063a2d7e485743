# The conversion again as on a PC of another language: under glibc's C.UTF-8, which Wine takes
# for English (United States), code page 1252, as the run's first case checks.
add_test(NAME gbk_utf8_cp1252 COMMAND gbk_utf8_test)
set_tests_properties(gbk_utf8_cp1252 PROPERTIES ENVIRONMENT "TK_WINE_LOCALE=C.UTF-8;TK_TEST_ACP=1252")
