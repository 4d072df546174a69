# Writes OUT, a C++ source that holds the text of IN as jet::HostSchemaSql().
file(READ ${IN} schema_text)
file(WRITE ${OUT}.tmp
  "// Generated from schema/host.sql at build time; do not edit.\n"
  "#include \"engines/jet/host_database.h\"\n\n"
  "namespace jet {\n\n"
  "const char* HostSchemaSql() {\n  return R\"dunmerrow_sql(${schema_text})dunmerrow_sql\";\n}\n\n"
  "}  // namespace jet\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
