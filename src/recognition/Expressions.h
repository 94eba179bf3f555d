// The expression records of the recognition jobs, read from the job's
// "expresions" list (src/job/RecognizeLinksInput.h). Plain values.
#pragma once

#include <string>

// One thing a link-recognition job looks for.
struct ImportLinksExpression {
    int target = 0;           // copied into every link it produces
    int linkType = 0;         // copied into "linktype"; 2 marks links to pages
    std::string result;       // URL template; "$regresult" stands for the found text
    std::string regExp;       // the regular expression, or the word for word-list search
    std::string description;  // the link text used by word-list search
};

// One thing a product-recognition job looks for.
struct ProductExpression {
    std::string result;       // URL template; "$regresult" stands for the found text
    std::string regExp;       // the regular expression
    std::string description;  // carried, not used
};
