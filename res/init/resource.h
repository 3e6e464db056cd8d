// Resource ids of TqTouchInit, shared by the English and German resources.
#pragma once

#define IDI_INIT 101
