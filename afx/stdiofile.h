// CStdioFile: a text file read line by line (C runtime stream in text mode, so CR LF reads as
// LF). Free of Windows headers.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class CStdioFile {
public:
    // Read only, text mode, and no other program may open the file meanwhile.
    static constexpr unsigned modeRead = 0;

    CStdioFile() = default;
    ~CStdioFile() { Close(); }
    CStdioFile(const CStdioFile&) = delete;
    CStdioFile& operator=(const CStdioFile&) = delete;

    bool Open(const char* path, unsigned flags = modeRead);
    // The next piece of the current line, at most `maxBytes` bytes without the line end, so that
    // an enormous line is read with bounded memory. `lineEnded` tells whether the line ends with
    // this piece. False at the end of the file when nothing was read, or on a read error.
    bool ReadString(std::string& piece, size_t maxBytes, bool& lineEnded);
    // Up to `count` bytes as they come; less at the end of the file or on a read error.
    size_t Read(void* buffer, size_t count);
    // Back to the first byte, for a second pass over the file.
    bool SeekToBegin();
    bool HadError() const { return m_bError; }
    void Close();

private:
    // True when m_buffer holds an unread byte, reading the next block when it holds none.
    bool Fill();

    std::FILE* m_file = nullptr;
    bool m_bError = false;
    // Lines are taken from blocks read ahead: reading byte by byte through the C runtime costs
    // seconds for a line of 50 MB under Wine.
    std::vector<char> m_buffer;
    size_t m_pos = 0;
    size_t m_end = 0;
};
