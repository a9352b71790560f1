#pragma once
// Resource ids of the stand-in installer's payload (RCDATA). Plain macros: the resource compiler
// reads this file too.
#define STANDIN_EMULATOR_RESOURCE 201
#define STANDIN_CONSOLE_RESOURCE 202
#define STANDIN_PADDING_RESOURCE 203
