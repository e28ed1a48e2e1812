# The files of the MFC subset.
list(APPEND CE_MFC_SOURCES)
