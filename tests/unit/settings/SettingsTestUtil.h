// Temporary folders and whole-file helpers for the settings tests.
#pragma once

#include "fakes/TempDir.h"
