#pragma once
// Where the journals of orders being sent are kept: the state folder
// ($XDG_STATE_HOME/Vennara/OrlavoW/, made 0700), one file per order,
// "order-<order id>.journal" (0600), replaced as a whole at each change, and
// beside it the lock file "order-<order id>.lock". A program that sends or
// resumes an order holds its lock until the order is over or the program
// ends (the system lets go of it when a program dies), so two wizards never
// work on one order and a wizard never offers an order that another one is
// sending.
//
// Threading: a JournalFolder is a plain value. A JournalClaim is used by one
// thread at a time (the upload worker while it sends, else the window thread).

#include <memory>
#include <string>
#include <vector>

#include "wizard/transmission/OrderJournal.h"

namespace orlavo {
class FileLock;
}

namespace orlavo::transmission {

// One order in our hands: its lock, and its journal as last written.
class JournalClaim {
public:
    ~JournalClaim();
    JournalClaim(const JournalClaim&) = delete;
    JournalClaim& operator=(const JournalClaim&) = delete;

    const OrderJournal& journal() const { return journal_; }
    const std::string& file() const { return file_; }

    // Writes JOURNAL over the order's journal; the empty text on success.
    std::string Write(const OrderJournal& journal);
    // The lab accepted photo NUMBER: written at once.
    std::string MarkAccepted(int number);
    // The order is over (complete, or given up): its journal and lock file go.
    void Remove();

private:
    friend class JournalFolder;
    JournalClaim(std::unique_ptr<FileLock> lock, std::string file, OrderJournal journal);

    std::unique_ptr<FileLock> lock_;
    std::string file_;
    OrderJournal journal_;
};

// The interrupted orders found in the folder, and what was set aside.
struct JournalScan {
    // Orders of the profile that nobody is sending, the most recent first.
    std::vector<OrderJournal> orders;
    // One text per journal that could not be used: damaged, foreign or of
    // another version; set aside (renamed), or left for a newer program.
    std::vector<std::string> notices;
};

class JournalFolder {
public:
    // FOLDER ends with "/".
    explicit JournalFolder(std::string folder);
    // The state folder of the diagnostics.
    static JournalFolder Default();
    const std::string& folder() const { return folder_; }

    // The interrupted orders of PROFILE. Damaged and foreign journals and
    // those of an older version are set aside as "<name>.set-aside" (a
    // number is added when that exists); a newer version's journal stays.
    JournalScan Scan(const std::string& profile) const;

    // Takes the interrupted order ORDER_ID for resuming: its lock, and its
    // journal read again under the lock. Null with ERROR when another program
    // has it, when it is over, or when its journal cannot be used.
    std::unique_ptr<JournalClaim> ClaimInterrupted(const std::string& orderId,
                                                   std::string& error) const;

    // The journal of a new order, written before anything is sent. Null with
    // ERROR when it cannot be kept.
    std::unique_ptr<JournalClaim> ClaimNew(const OrderJournal& journal, std::string& error) const;

    std::string journalFile(const std::string& orderId) const;
    std::string lockFile(const std::string& orderId) const;

private:
    std::string folder_;
};

}  // namespace orlavo::transmission
