// The loopback board's pages live with its program in tools/; tests reach them under this name too.
#pragma once
#include "loopback-board/board_pages.h"
