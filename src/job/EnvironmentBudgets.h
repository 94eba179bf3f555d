// The budgets of the PDF layer (pdf/Budgets.h) as an operator sets them for a process:
//
//   QUILLONPROXY_PAGE_SECONDS  processor seconds a page may cost     (default 10)
//   QUILLONPROXY_MEMORY_MB     megabytes MuPDF may hold for a job on one thread (default
//                              384), a third more for each further worker
//
// A value that is not a positive number (seconds may have a fraction, megabytes are whole)
// leaves the default, with a warning on standard error naming the variable; nothing throws.
// For example QUILLONPROXY_PAGE_SECONDS=30 gives a slow page of a large map thirty seconds.
#pragma once

#include "pdf/Budgets.h"

pdf::Budgets budgetsFromEnvironment();
