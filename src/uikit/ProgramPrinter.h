#pragma once

class QPrinter;

// The printer the user picked in the printer dialog; every later print uses it.
QPrinter& programPrinter();
