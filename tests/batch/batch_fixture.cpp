// SPDX-License-Identifier: MIT
#include "batch/batch_fixture.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "batch/batch_run.h"
#include "codec/codec_fixtures.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

FolderFiles ReadFolder(const std::string& strFolder) {
    FolderFiles files;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(strFolder.c_str()), &closedir);
    if (!dir) return files;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string strName = entry->d_name;
        if (strName == "." || strName == "..") continue;
        const std::string strPath = strFolder + "/" + strName;
        struct stat st {};
        // A folder is listed by name only.
        files[strName] = stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode)
                             ? std::string("<folder>")
                             : ReadBytes(strPath);
    }
    return files;
}

void BatchFixture::SetUp() {
    m_strPics = m_config.WorkDir() + "/pics";
    m_strOut = m_config.WorkDir() + "/out";
    ASSERT_EQ(mkdir(m_strPics.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(m_strOut.c_str(), 0755), 0);
    m_strSettings = SettingsStore::ProductKeyPath("Galerio");
}

void BatchFixture::AddPhoto(const std::string& strName, int w, int h) {
    if (strName.size() > 4 && strName.substr(strName.size() - 4) == ".bmp")
        ASSERT_TRUE(WriteBmp(m_strPics + "/" + strName, QuadrantImage(w, h), 24));
    else
        WriteQuadrantJpeg(m_strPics, strName, w, h);
}

void BatchFixture::AddBroken(const std::string& strName) {
    WriteBytes(m_strPics + "/" + strName, "this is not a picture\n");
}

void BatchFixture::Store(const std::string& strName, const std::string& strValue) {
    Store(kSectionSettings, strName, strValue);
}

void BatchFixture::Store(const char* pszSection, const std::string& strName,
                         const std::string& strValue) {
    bool bCreated = false;
    SettingsStore store;
    ASSERT_TRUE(store.OpenProductKey("Galerio", bCreated));
    ASSERT_TRUE(store.PutString(pszSection, strName, strValue));
}

CommandResult BatchFixture::Run(const std::vector<std::string>& args) {
    CommandResult result;
    std::FILE* pOut = std::tmpfile();
    std::FILE* pErr = std::tmpfile();
    result.nStatus = RunMakeThumbsCommand(args, pOut, pErr);
    for (auto [pFile, pText] : {std::pair{pOut, &result.strOut}, std::pair{pErr, &result.strErr}}) {
        std::rewind(pFile);
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pFile)) > 0) pText->append(buffer, n);
        std::fclose(pFile);
    }
    return result;
}
