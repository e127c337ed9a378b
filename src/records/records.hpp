// The record layer: every line the program reads or writes goes through it.
#pragma once

#include "fatal_report.hpp"
#include "open_close.hpp"
#include "refusal.hpp"
#include "run_start.hpp"
#include "statements.hpp"
#include "units.hpp"
