#include "ifs/ifs_model.h"

TWorkingIFS WorkingIFS;
TIFSLibrary IFSLibrary;
