#include "updater_state.h"

char InstallDir[InstallDirSize];
char TargetPath[TargetPathSize];
