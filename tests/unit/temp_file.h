// A file in the temporary folder, removed when the test ends.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class TempFile {
public:
    explicit TempFile(const std::string& content, const std::string& name = "urls.txt") {
        // Test programs may run side by side: the name is unique across processes too.
        static const unsigned run = std::random_device()();
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("brindlow-" + std::to_string(run) + "-" + std::to_string(++counter) + "-" + name);
        std::ofstream out(m_path, std::ios::binary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    std::string path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};
