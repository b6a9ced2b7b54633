// Automation servers backed by LibreOffice. Where the program finds no Visio
// or Word, "Visio.InvisibleApp" and "Word.Application" are answered by
// objects that pass the exporter's and the comparison's calls on to the
// office helper (office/varnolt_office_helper), a child process
// that drives LibreOffice over UNO. The program itself links no office
// library, and an office that crashes or hangs turns into an automation
// error of one call.
#pragma once

#include "automation/u_ole_automation.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

// One conversation with an office helper: requests and answers of the line
// protocol in office/office_protocol.h.
class T_Office_Channel {
public:
    virtual ~T_Office_Channel() = default;
    // Sends one request and returns the answer's fields after "OK". An "ERR"
    // answer raises T_Server_Exception with the helper's text; a helper that
    // has ended, or does not answer in time, raises T_Server_Exception too,
    // and so does every request after it.
    virtual std::vector<std::string> Request(const std::vector<std::string>& fields) = 0;
    // Quits the helper and its office: QUIT, then a kill of whatever is
    // still running after a short wait. Runs once; requests fail afterwards.
    virtual void Close() = 0;
};

// The application object of a drawing server over `channel`: it answers the
// Visio members that T_Visio_Multipage_Wrapper calls (Visible, AlertResponse,
// Documents.OpenEx, Pages.Count, Pages.Item(i).Name/ID, Page.Export,
// Document.ExportAsFixedFormat to PDF, Document.Close, Quit), with member names compared without
// regard to case. Page IDs: one per distinct page name, shared by every document opened through
// this object, a name repeated within a document told apart by its occurrence. The channel is
// closed when the last object of the server goes.
std::shared_ptr<T_Dispatch> Make_Office_Drawing_Server(std::shared_ptr<T_Office_Channel> channel);

// The application object of a document-comparison server over `channel`
// (a helper started with a visible office): it answers the Word members that
// MS_Word_Compare and MS_Word_Show call (Documents.OpenNoRepairDialog, Visible,
// CompareDocuments, Document.Close, Activate, Quit). CompareDocuments shows
// LibreOffice Writer's comparison of an untitled copy of the revised
// document in a window that stays open: after it, closing the channel leaves
// that office running. A document opened with Visible=true (MS_Word_Show) is
// shown alone in such a window, read-only, and stays open the same way.
std::shared_ptr<T_Dispatch> Make_Office_Word_Server(std::shared_ptr<T_Office_Channel> channel);

// The process side (POSIX only).

// Starts the helper executable, which starts its own office with a profile
// in `private_folder`, headless or, with `visible`, with windows; waits
// until it is ready. nullptr with the reason in `error` when the helper or
// the office cannot start. A request not answered within `request_timeout`
// counts as a hung office: helper and office are killed.
std::unique_ptr<T_Office_Channel>
Start_Office_Helper(const std::string& helper_path, const std::string& private_folder,
                    const std::string& soffice, bool visible, std::string& error,
                    std::chrono::milliseconds request_timeout = std::chrono::minutes(5));
