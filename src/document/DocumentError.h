// DocumentError — the one exception type of the document model.
//
// Raised for what the publication outputs cannot do: a file that cannot be
// created or written, a page record that is missing or lacks its sections, a
// page image the encoder cannot hold. The message is one line that names the
// file concerned, e.g. "Cannot create file 'out/Page_3.xml': Permission
// denied". The job driver prints it and ends the job with a failure status.
#pragma once

#include <stdexcept>
#include <string>

class DocumentError : public std::runtime_error {
  public:
    explicit DocumentError(const std::string& message) : std::runtime_error(message) {}
};
