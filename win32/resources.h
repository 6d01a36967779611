#pragma once

// Resource identifiers, shared by kestrin.rc and the program.
#define IDI_KESTRIN 1
#define IDI_STATUS_READY 11
#define IDI_STATUS_WORKING 12
#define IDI_STATUS_ERROR 13
