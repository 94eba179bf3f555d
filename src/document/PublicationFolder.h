// PublicationFolder — a publication's served folder, replaced whole.
//
// The served folder ("/srv/pub/", with its trailing separator) is never written into. A publish
// builds the new publication in a stage, a sibling folder ".pub.stage-XXXXXX" (same parent, so
// that renames stay on one file system), and putInPlace() swaps the stage and the served folder
// with one rename: a reader sees the old publication or the new one, never a mixture, and a
// failure or a kill before the swap leaves the old one serving. The old publication is removed
// after the swap; what a killed publish left (stages, an old publication not yet removed) goes
// when the next publish of the folder starts.
//
// A publish of some of the pages starts with Start::CopyOfCurrent: the stage is the served
// folder's tree made of hard links, so the files it does not rewrite stay the same files. Every
// output is replaced by a rename (OutputFile), never written in place, so nothing the served
// folder holds changes before the swap.
//
// One publish per folder at a time: the lock is ".pub.lock" beside the served folder, held for
// the object's life. Nothing of a publish (stage, lock) is ever inside the served folder.
//
//     PublicationFolder folder("/srv/pub/", PublicationFolder::Start::Empty);
//     write(folder.stage() + "document.xml");    // ... every output into the stage
//     folder.putInPlace();                        // /srv/pub/ is now the new publication
//
// A served folder that exists, is not empty and holds no publication (no document.xml) is
// refused: a publish replaces the folder whole, and a mistyped folder of other files must not be
// lost to it. Symbolic links are followed to the folder they name.
//
// Throws DocumentError naming the folder; PublishBusy when another publish holds the lock.
#pragma once

#include <string>

#include "document/DocumentError.h"

// Another publish of the folder is running.
class PublishBusy : public DocumentError {
  public:
    using DocumentError::DocumentError;
};

class PublicationFolder {
  public:
    enum class Start { Empty, CopyOfCurrent };

    // REQUIRES: servedDir ends with '/'. Its parent folder must exist; the folder itself need not
    // (a first publish makes it), except with Start::CopyOfCurrent, where it must hold a
    // publication.
    PublicationFolder(const std::string& servedDir, Start start);
    // Removes the stage unless it was put in place, and lets go of the lock.
    ~PublicationFolder();
    PublicationFolder(const PublicationFolder&) = delete;
    PublicationFolder& operator=(const PublicationFolder&) = delete;

    // The stage, with its trailing '/': where every output of the publish goes.
    const std::string& stage() const { return stage_; }
    // The served folder, with its trailing '/', symbolic links resolved.
    const std::string& served() const { return served_; }

    // Flushes everything written into the stage to the disk, swaps it into the served folder's
    // place and removes the old publication. REQUIRES: called once.
    void putInPlace();

  private:
    std::string served_;  // "/srv/pub/"
    std::string parent_;  // "/srv/"
    std::string name_;    // "pub"
    std::string stage_;   // "/srv/.pub.stage-XXXXXX/"
    int lockFd_ = -1;
    bool swapped_ = false;
};
