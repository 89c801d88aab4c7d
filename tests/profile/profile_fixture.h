// The profile tests' scratch files now live in tests/support.
#pragma once

#include "support/scratch_files.h"
