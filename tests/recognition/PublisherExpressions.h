// The three address expressions scripts/publish.sh gives "recognizelinks" (web addresses with
// a scheme, web addresses from "www.", e-mail addresses), for the tests that check what a
// publication's reader gets. Keep them as publish.sh has them.
#pragma once

#include <vector>

#include "support/RecognitionJobs.h"

namespace testing_support {

inline std::vector<Expression> publisherAddressExpressions() {
    return {
        {R"(\b(?:https?|ftp)://[^\s<>"]*[^\s<>".,;:!?()\[\]'])", 1, 0, "$regresult", ""},
        {R"((?<![/\w.@-])www\.[^\s<>"]*[^\s<>".,;:!?()\[\]'])", 1, 0, "http://$regresult", ""},
        {R"(\b[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(?:\.[A-Za-z0-9-]+)*\.[A-Za-z]{2,}\b)", 1, 1,
         "mailto:$regresult", ""},
    };
}

}  // namespace testing_support
