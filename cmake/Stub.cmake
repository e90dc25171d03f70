# Compile and link settings of the stub (filled by the stub build).
