// The loopback board lives with its program in tools/; tests reach it under this name too.
#pragma once
#include "loopback-board/board_server.h"
