// File, folder and drive utilities: path texts, existence tests, file details, file operations with
// their confirmations, folder walks that report progress through the CountFiles and CountTotals
// events and stop when the host sets CancelProcessing, text search and disk space.
//
// Each member that needs the file-system service makes its own for the length of the call, so a
// host handler that calls back into this object in the middle of a walk cannot pull the service
// from under the walk.
#pragma once
#include "files/FileSystem.h"
#include "frame/Events.h"
#include "frame/Interfaces.h"
#include <string>

namespace wx {

class clsDrvInfo2 : public Connectable<_clsDrvInfo2> {
public:
    clsDrvInfo2();
    ~clsDrvInfo2() override;

    STDMETHODIMP get_CancelProcessing(VARIANT_BOOL* result) override;
    STDMETHODIMP put_CancelProcessing(VARIANT_BOOL value) override;
    STDMETHODIMP put_Count(double value) override;
    STDMETHODIMP get_Count(double* result) override;
    STDMETHODIMP IsDriveReady(BSTR strDrive, VARIANT_BOOL* result) override;
    STDMETHODIMP Create_Dir_Struct(BSTR strPath, VARIANT_BOOL* result) override;
    STDMETHODIMP Get_Extension(BSTR strFilename, BSTR* result) override;
    STDMETHODIMP Get_Filename(BSTR strFilename, BSTR* result) override;
    STDMETHODIMP Get_Path(BSTR strFilename, BSTR* result) override;
    STDMETHODIMP Get_Version(BSTR strFilename, BSTR* result) override;
    STDMETHODIMP Drive_Exist(BSTR strSearchData, LONG* lngDriveType, VARIANT_BOOL* result) override;
    STDMETHODIMP File_Exist(BSTR* strSearchItem, VARIANT_BOOL* result) override;
    STDMETHODIMP Folder_Exist(BSTR strFolder, VARIANT_BOOL* result) override;
    STDMETHODIMP Available_Drives(VARIANT* result) override;
    STDMETHODIMP IsThisRestricted(BSTR* strPath, VARIANT_BOOL* result) override;
    STDMETHODIMP Get_FileInfo(BSTR* strFilename, VARIANT_BOOL* result) override;
    STDMETHODIMP Attribute_String(LONG lngValue, BSTR* result) override;
    STDMETHODIMP Move_File(BSTR* strSource, BSTR* strTarget, VARIANT_BOOL* result) override;
    STDMETHODIMP Copy_File(BSTR* strSource, BSTR* strTarget, VARIANT_BOOL* result) override;
    STDMETHODIMP DelTree32(BSTR* strPath, VARIANT_BOOL* result) override;
    STDMETHODIMP Add_Trailing_Slash(BSTR strPath, BSTR* result) override;
    STDMETHODIMP Remove_Trailing_Slash(BSTR strPath, BSTR* result) override;
    STDMETHODIMP TextSearch(BSTR* strPath, BSTR* strText, VARIANT* result) override;
    STDMETHODIMP Get_Totals(BSTR strPath, short* intDataType, BSTR* strPattern, VARIANT_BOOL blnSearchSubfolders,
                            BSTR* result) override;
    STDMETHODIMP Get_FileList(BSTR strFolder, VARIANT_BOOL blnSearchSubfolders, BSTR* strPattern,
                              VARIANT* result) override;
    STDMETHODIMP Get_DirList(BSTR strPath, BSTR* result) override;
    STDMETHODIMP Create_Tmp_Filename(BSTR* strTmpFolder, BSTR* result) override;
    STDMETHODIMP Create_Tmp_Folder(BSTR* result) override;
    STDMETHODIMP Remove_Nulls(BSTR* strInput, BSTR* result) override;
    STDMETHODIMP Create_Tmp_Name(short* intLength, BSTR* result) override;
    STDMETHODIMP Rnd2(float* sngLow, float* sngHigh, float* result) override;
    STDMETHODIMP BrowseForFolder(IDispatch** frm, BSTR* strPrompt, BSTR* result) override;
    STDMETHODIMP Shrink_2_Fit(BSTR strPath_to_Resize, short* intMaxLen, BSTR* result) override;
    STDMETHODIMP Get_Disk_Space(BSTR strPath, double* dblTotalSpace, double* dblFreeSpace, double* dblUsedSpace,
                                VARIANT_BOOL* result) override;
    STDMETHODIMP get_DIObject(IDispatch** result) override;
    STDMETHODIMP putref_DIObject(IDispatch* value) override;

private:
    // FileDetails fields, in order.
    enum FileField { kFileDrive, kFilePath, kFileParent, kFileSize, kFileType, kFileExtension,
                     kFileAccessed, kFileModified, kFileCreated, kFileAttributes, kFileFields };
    enum { kDriveFields = 12 };

    void ClearDetails();
    bool DriveExist(const std::wstring& searchData, long& driveType);
    bool DriveReady(const std::wstring& drive) const;
    bool FileInfo(const std::wstring& fileName);
    bool FolderExist(const std::wstring& folder) const;
    bool Transfer(bool move, const std::wstring& source, const std::wstring& target);
    std::wstring TmpName(short length);
    float Random(float low, float high);

    struct Filter { bool all = true; std::wstring extension; };
    static Filter FilterOf(const std::wstring& pattern);
    // Appends the files of one folder (and its sub-folders) to `list`; false when the folder's
    // result is Empty rather than text.
    bool CollectFiles(const FileSystem& fs, const std::wstring& folder, bool subfolders, const Filter& filter,
                      std::wstring& list);
    Variant FileList(const std::wstring& folder, bool subfolders, const std::wstring& pattern);
    std::wstring Totals(const std::wstring& path, short dataType, const std::wstring& pattern, bool subfolders);
    // Lets the host's message loop run; true when the host asked the walk to stop.
    bool YieldAndCheck();

    bool cancel_ = false;
    ComPtr<IDispatch> diObject_;
    std::wstring fileDetails_[kFileFields];
    std::wstring driveDetails_[kDriveFields];
    double count_ = 0;
    DWORD lastYield_ = 0;
};

}  // namespace wx
