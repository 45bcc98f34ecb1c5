// The box shared by every process that opens the same state folder (Windows): a named mutex
// guards it and a named mapping holds it, both named after the folder. Windows gives the mutex
// up when its owner dies (the next waiter learns so) and drops the mapping with the last process
// that has it open, so a box nobody runs starts afresh.
#pragma once
#include <memory>
#include <string>
#include "model/BoxImage.h"

// Null when the objects cannot be made; error then says why.
std::unique_ptr<BoxShare> OpenNamedBox(const std::string& stateDir, std::string& error);
