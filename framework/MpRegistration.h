// One module kind in the factory's registry: its id and the creation routines
// for its instance kinds. The factory owns every record.
#pragma once

#include "IMpUnknown.h"

#include <string>

// Builds a new instance holding no references yet, or throws; never returns null.
using CreationRoutine = gmpi::IMpUnknown* (*)(gmpi::IMpUnknown* hostObject);

struct MpRegistration {
    std::u16string moduleId;
    CreationRoutine createProcessor = nullptr; // instance kind 0
    CreationRoutine createCompanion = nullptr; // instance kind 1
};
