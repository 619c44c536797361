// Japanese descriptions of the common network failures, for the error dialogs.
#pragma once

#include <string_view>

#include "common/text.h"

namespace pellucor {

// The description of a failed transfer (`code` is libcurl's result code) followed by the
// client's own text in parentheses, so nothing is lost for a bug report; a failure without a
// description of its own keeps the client's text alone.
Text DescribeTransferFailure(int code, std::string_view client_text);

}  // namespace pellucor
