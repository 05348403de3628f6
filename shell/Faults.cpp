#include "shell/Faults.h"

#include <utility>

namespace amiga::fault {

std::string FaultText(Code code) {
    // The texts of dos.library's catalog, as PrintFault shows them.
    static constexpr std::pair<Code, const char*> kTexts[] = {
        {NoFreeStore, "not enough memory available"},
        {BadTemplate, "bad template"},
        {BadNumber, "bad number"},
        {RequiredArgMissing, "required argument missing"},
        {KeyNeedsArg, "value after keyword missing"},
        {TooManyArgs, "wrong number of arguments"},
        {UnmatchedQuotes, "unmatched quotes"},
        {LineTooLong, "argument line invalid or too long"},
        {FileNotObject, "file is not executable"},
        {ObjectInUse, "object is in use"},
        {ObjectExists, "object already exists"},
        {DirNotFound, "directory not found"},
        {ObjectNotFound, "object not found"},
        {BadStreamName, "invalid window description"},
        {ObjectTooLarge, "object too large"},
        {ActionNotKnown, "packet request type unknown"},
        {InvalidComponentName, "object name invalid"},
        {ObjectWrongType, "object is not of required type"},
        {DiskWriteProtected, "disk is write-protected"},
        {RenameAcrossDevices, "rename across devices attempted"},
        {DirectoryNotEmpty, "directory not empty"},
        {TooManyLevels, "too many levels"},
        {DeviceNotMounted, "device (or volume) is not mounted"},
        {SeekError, "seek failure"},
        {CommentTooBig, "comment is too long"},
        {DiskFull, "disk is full"},
        {DeleteProtected, "object is protected from deletion"},
        {WriteProtected, "file is write protected"},
        {ReadProtected, "file is read protected"},
        {NoMoreEntries, "no more entries in directory"},
        {NotImplemented, "function not implemented"},
        {BufferOverflow, "buffer overflow"},
        {Break, "***Break"},
        {NotExecutable, "file is not executable"},
    };
    for (const auto& [number, text] : kTexts) {
        if (number == code) {
            return text;
        }
    }
    return "Error " + std::to_string(code);
}

std::string FormatFault(Code code, std::string_view header) {
    if (code == None) {
        return {};
    }
    std::string line;
    if (!header.empty()) {
        line.append(header);
        line += ": ";
    }
    line += FaultText(code);
    line += '\n';
    return line;
}

}  // namespace amiga::fault
