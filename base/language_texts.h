// The log and message texts of the current language, with the built-in
// Simplified Chinese defaults used when a language file or key is missing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tessary {

// Language codes as stored in the settings and sent to the programmer.
inline constexpr std::int32_t kLanguageSimplifiedChinese = 0;
inline constexpr std::int32_t kLanguageTraditionalChinese = 1;
inline constexpr std::int32_t kLanguageEnglish = 2;

struct Dev_Language_Struct {
  std::string MainSoftWareInfo = "Halvern Tessary Series Programmer";
  std::string OK = "确定";
  std::string Cancel = "取消";
  std::string Select = "选择";
  std::string DevConStaOnline = "设备已连接";
  std::string DevConStaOffline = "设备离线";
  std::string DevConVersion = "设备版本:";
  std::string DevConLogDevice = "检测到编程器，型号：";
  std::string DevConLogSN = "产品序列号：";
  std::string LogStaSuccess = "成功！";
  std::string LogStaError = "错误！";
  std::string LogOperatTimeTitle = "共耗时";
  std::string LogOperatTime = "秒";
  std::string LogFileOpen = "打开文件，文件名：";
  std::string LogFileSave = "保存文件，文件名：";
  std::string LogFileSaveAs = "文件另存为：";
  std::string LogChipCheckOK = "检测芯片，芯片名为：";
  std::string LogChipCheckCommError = "检测芯片，通讯错误.";
  std::string LogChipCheckError = "检测芯片，未检测到芯片.";
  std::string LogChipErase = "擦除芯片";
  std::string LogChipEraseChipErr = "擦除错误！请先选择芯片型号！";
  std::string LogChipEraseCommError = "擦除通讯错误，请重试.";
  std::string LogChipEraseSuccess = "擦除成功.共耗时";
  std::string LogChipWrite = "写入芯片";
  std::string LogChipWriteChipErr = "写入错误！请先选择芯片型号！";
  std::string LogChipWriteCommError = "写入通讯错误，请重试.";
  std::string LogChipWriteFileError = "写入芯片，错误！请先打开一个文件！";
  std::string LogChipWriteFileName = "写入芯片，文件名：";
  std::string LogChipWriteFileLen = "写入长度：";
  std::string LogChipWriteSuccess = "写入成功.共耗时";
  std::string LogChipReadChip = "读取芯片";
  std::string LogChipReadSuccess = "读取芯片，成功！共耗时";
  std::string LogChipReadError = "读取错误，请重试！";
  std::string LogChipVerifyChip = "校验芯片";
  std::string LogChipVerifySuccess = "校验芯片，成功！共耗时";
  std::string LogChipVerifyError = "校验错误，请重试！";
  std::string LogChipBankCheck = "查空操作.";
  std::string LogChipBankTrue = "该芯片是空的，可以直接写入.";
  std::string LogChipBankFalse = "该芯片不是空的，请擦除后再写入.";
  std::string LogChipDetect = "检测并识别到芯片，型号：";
  std::string LogChipSelect = "手动选择芯片成功，型号：";
  std::string LogChipDetectCapcity = "容量：";
  std::string LogChipDetectID = "芯片ID：";
  std::string LogChipDetectUnknown = "检测到芯片，但未识别出芯片型号.芯片ID：";
  std::string LogChipDetectError = "芯片检测异常.";
  std::string LogChipDetectNULL = "未检测到芯片.";
  std::string LogChipMassStart = "批量烧录开始，请点击”停止“按钮，将在本次烧录完成后停止.";
  std::string LogChipMassStop = "批量烧录已停止.";
  std::string LogChipMassAutoStop = "30秒内没有检测到新拍呢，已自动停止了批量烧录.";
  // Failures the program reports beyond the texts above: a write or erase
  // block the programmer did not take, an operation refused while another
  // runs, and why a programmer on the bus could not be opened.
  std::string LogNoRoomForData = "写入失败！芯片的好块容纳不下全部数据.";
  std::string LogBlockNotTaken = "写入失败！编程器没有接收数据块.";
  std::string LogEraseNotTaken = "擦除失败！编程器没有接收擦除命令.";
  std::string LogOperationRunning = "另一个操作正在进行，请等待它结束或按停止.";
  std::string LogBufferBusy = "编程操作进行中，缓冲区不能更改，请等待它结束或按停止.";
  std::string LogUsbAccessDenied = "找到编程器，但没有权限打开它（请按README安装udev规则，然后重新插入编程器）";
  std::string LogUsbBusy = "找到编程器，但它正被其他程序或驱动占用";
  std::string LogUsbDisconnected = "编程器在打开过程中离开了USB总线";
  std::string LogUsbNoEndpoints = "该USB设备没有编程器的批量输入和输出端点";
  std::string LogUsbUnavailable = "无法访问USB（USB库未能启动）";
  std::string LogUsbError = "找到编程器，但打开时发生USB错误";
  // File faults the window reports; the detail (file name, line, what the
  // system said) follows the text.
  std::string LogFileNotLoaded = "文件未载入，缓冲区保持不变：";
  std::string LogBufferNotSaved = "缓冲区未保存：";
  std::string LogOldFileKept = "；原有文件保持不变.";
  std::string LogFindTooLong = "查找内容过长：最多可查找512个数字（256字节），已输入数字个数：";
  std::string LogFindNotHex = "不是十六进制字节序列，请输入成对的0-9或A-F数字，例如55AA：";
  std::string LogRecordNotWritten = "生产记录写入失败，文件：";
  std::string LogCatalogueCopied = "芯片数据库已复制到用户目录：";
  std::string LogCatalogueUpgraded = "芯片数据库已升级：";
  std::string LogUserChipsKept = "，保留的用户芯片数：";
  std::string LogHexOutsideImage = "数据记录超出了映像范围：";
  std::string LogHexRecordCutShort = "记录不完整：";
  std::string LogHexNotHexadecimal = "记录中含有非十六进制字符：";
  std::string LogHexBadChecksum = "记录校验和错误：";
  std::string LogHexNoEndRecord = "文件缺少结束记录：";
  std::string LogImageEmpty = "文件中没有可载入的数据：";
  std::string LogHexGapsOrOverlaps =
      "数据记录不连续或相互重叠：映像延伸到写入的最高字节，未写入处为0xFF：";
  std::string LogOutputFolder = "该名称是一个文件夹：";
  std::string LogOutputNotAFile = "该名称不是本程序可写入的文件：";
  std::string LogOutputReadOnly = "文件为只读，请改为可写或另选文件名：";
  std::string LogOutputNotWritable = "无权写入该文件，请改为可写或另选文件名：";
  std::string LogOutputFifoWithoutReader = "该管道(FIFO)没有程序在读取：";
  std::string LogCatalogueUnreadable = "芯片数据库无法读取：";
};

// Where each text lives in a language file, and the buffer its value is
// read into (a longer value is cut to one byte less).
struct LanguageKey {
  const char* section;
  const char* key;
  std::string Dev_Language_Struct::*field;
  std::size_t buffer_size;
};

inline const std::array<LanguageKey, 82>& LanguageKeys() {
  static const std::array<LanguageKey, 82> keys = {{
      {"Setting", "MainSoftWareInfo", &Dev_Language_Struct::MainSoftWareInfo, 80},
      {"Button", "OK", &Dev_Language_Struct::OK, 80},
      {"Button", "Cancel", &Dev_Language_Struct::Cancel, 80},
      {"Button", "Select", &Dev_Language_Struct::Select, 80},
      {"Log", "DevConStaOnline", &Dev_Language_Struct::DevConStaOnline, 80},
      {"Log", "DevConStaOffline", &Dev_Language_Struct::DevConStaOffline, 80},
      {"Log", "DevConVersion", &Dev_Language_Struct::DevConVersion, 80},
      {"Log", "DevConLogDevice", &Dev_Language_Struct::DevConLogDevice, 80},
      {"Log", "DevConLogSN", &Dev_Language_Struct::DevConLogSN, 80},
      {"Log", "LogStaSuccess", &Dev_Language_Struct::LogStaSuccess, 80},
      {"Log", "LogStaError", &Dev_Language_Struct::LogStaError, 80},
      {"Log", "LogOperatTimeTitle", &Dev_Language_Struct::LogOperatTimeTitle, 80},
      {"Log", "LogOperatTime", &Dev_Language_Struct::LogOperatTime, 80},
      {"Log", "LogFileOpen", &Dev_Language_Struct::LogFileOpen, 80},
      {"Log", "LogFileSave", &Dev_Language_Struct::LogFileSave, 80},
      {"Log", "LogFileSaveAs", &Dev_Language_Struct::LogFileSaveAs, 80},
      {"Log", "LogChipCheckOK", &Dev_Language_Struct::LogChipCheckOK, 80},
      {"Log", "LogChipCheckCommError", &Dev_Language_Struct::LogChipCheckCommError, 80},
      {"Log", "LogChipCheckError", &Dev_Language_Struct::LogChipCheckError, 80},
      {"Log", "LogChipErase", &Dev_Language_Struct::LogChipErase, 80},
      {"Log", "LogChipEraseChipErr", &Dev_Language_Struct::LogChipEraseChipErr, 80},
      {"Log", "LogChipEraseCommError", &Dev_Language_Struct::LogChipEraseCommError, 80},
      {"Log", "LogChipEraseSuccess", &Dev_Language_Struct::LogChipEraseSuccess, 80},
      {"Log", "LogChipWrite", &Dev_Language_Struct::LogChipWrite, 80},
      {"Log", "LogChipWriteChipErr", &Dev_Language_Struct::LogChipWriteChipErr, 80},
      {"Log", "LogChipWriteCommError", &Dev_Language_Struct::LogChipWriteCommError, 80},
      {"Log", "LogChipWriteFileError", &Dev_Language_Struct::LogChipWriteFileError, 80},
      {"Log", "LogChipWriteFileName", &Dev_Language_Struct::LogChipWriteFileName, 80},
      {"Log", "LogChipWriteFileLen", &Dev_Language_Struct::LogChipWriteFileLen, 80},
      {"Log", "LogChipWriteSuccess", &Dev_Language_Struct::LogChipWriteSuccess, 80},
      {"Log", "LogChipReadChip", &Dev_Language_Struct::LogChipReadChip, 80},
      {"Log", "LogChipReadSuccess", &Dev_Language_Struct::LogChipReadSuccess, 80},
      {"Log", "LogChipReadError", &Dev_Language_Struct::LogChipReadError, 80},
      {"Log", "LogChipVerifyChip", &Dev_Language_Struct::LogChipVerifyChip, 80},
      {"Log", "LogChipVerifySuccess", &Dev_Language_Struct::LogChipVerifySuccess, 80},
      {"Log", "LogChipVerifyError", &Dev_Language_Struct::LogChipVerifyError, 80},
      {"Log", "LogChipBankCheck", &Dev_Language_Struct::LogChipBankCheck, 80},
      {"Log", "LogChipBankTrue", &Dev_Language_Struct::LogChipBankTrue, 80},
      {"Log", "LogChipBankFalse", &Dev_Language_Struct::LogChipBankFalse, 80},
      {"Log", "LogChipDetect", &Dev_Language_Struct::LogChipDetect, 80},
      {"Log", "LogChipSelect", &Dev_Language_Struct::LogChipSelect, 120},
      {"Log", "LogChipDetectCapcity", &Dev_Language_Struct::LogChipDetectCapcity, 80},
      {"Log", "LogChipDetectID", &Dev_Language_Struct::LogChipDetectID, 80},
      {"Log", "LogChipDetectUnknown", &Dev_Language_Struct::LogChipDetectUnknown, 80},
      {"Log", "LogChipDetectError", &Dev_Language_Struct::LogChipDetectError, 80},
      {"Log", "LogChipDetectNULL", &Dev_Language_Struct::LogChipDetectNULL, 80},
      {"Log", "LogChipMassStart", &Dev_Language_Struct::LogChipMassStart, 120},
      {"Log", "LogChipMassStop", &Dev_Language_Struct::LogChipMassStop, 120},
      {"Log", "LogChipMassAutoStop", &Dev_Language_Struct::LogChipMassAutoStop, 120},
      {"HostLog", "LogNoRoomForData", &Dev_Language_Struct::LogNoRoomForData, 160},
      {"HostLog", "LogBlockNotTaken", &Dev_Language_Struct::LogBlockNotTaken, 160},
      {"HostLog", "LogEraseNotTaken", &Dev_Language_Struct::LogEraseNotTaken, 160},
      {"HostLog", "LogOperationRunning", &Dev_Language_Struct::LogOperationRunning, 160},
      {"HostLog", "LogBufferBusy", &Dev_Language_Struct::LogBufferBusy, 160},
      {"HostLog", "LogUsbAccessDenied", &Dev_Language_Struct::LogUsbAccessDenied, 160},
      {"HostLog", "LogUsbBusy", &Dev_Language_Struct::LogUsbBusy, 160},
      {"HostLog", "LogUsbDisconnected", &Dev_Language_Struct::LogUsbDisconnected, 160},
      {"HostLog", "LogUsbNoEndpoints", &Dev_Language_Struct::LogUsbNoEndpoints, 160},
      {"HostLog", "LogUsbUnavailable", &Dev_Language_Struct::LogUsbUnavailable, 160},
      {"HostLog", "LogUsbError", &Dev_Language_Struct::LogUsbError, 160},
      {"HostLog", "LogFileNotLoaded", &Dev_Language_Struct::LogFileNotLoaded, 160},
      {"HostLog", "LogBufferNotSaved", &Dev_Language_Struct::LogBufferNotSaved, 160},
      {"HostLog", "LogOldFileKept", &Dev_Language_Struct::LogOldFileKept, 160},
      {"HostLog", "LogFindTooLong", &Dev_Language_Struct::LogFindTooLong, 160},
      {"HostLog", "LogFindNotHex", &Dev_Language_Struct::LogFindNotHex, 160},
      {"HostLog", "LogRecordNotWritten", &Dev_Language_Struct::LogRecordNotWritten, 160},
      {"HostLog", "LogCatalogueCopied", &Dev_Language_Struct::LogCatalogueCopied, 160},
      {"HostLog", "LogCatalogueUpgraded", &Dev_Language_Struct::LogCatalogueUpgraded, 160},
      {"HostLog", "LogUserChipsKept", &Dev_Language_Struct::LogUserChipsKept, 160},
      {"HostLog", "LogHexOutsideImage", &Dev_Language_Struct::LogHexOutsideImage, 160},
      {"HostLog", "LogHexRecordCutShort", &Dev_Language_Struct::LogHexRecordCutShort, 160},
      {"HostLog", "LogHexNotHexadecimal", &Dev_Language_Struct::LogHexNotHexadecimal, 160},
      {"HostLog", "LogHexBadChecksum", &Dev_Language_Struct::LogHexBadChecksum, 160},
      {"HostLog", "LogHexNoEndRecord", &Dev_Language_Struct::LogHexNoEndRecord, 160},
      {"HostLog", "LogImageEmpty", &Dev_Language_Struct::LogImageEmpty, 160},
      {"HostLog", "LogHexGapsOrOverlaps", &Dev_Language_Struct::LogHexGapsOrOverlaps, 160},
      {"HostLog", "LogOutputFolder", &Dev_Language_Struct::LogOutputFolder, 160},
      {"HostLog", "LogOutputNotAFile", &Dev_Language_Struct::LogOutputNotAFile, 160},
      {"HostLog", "LogOutputReadOnly", &Dev_Language_Struct::LogOutputReadOnly, 160},
      {"HostLog", "LogOutputNotWritable", &Dev_Language_Struct::LogOutputNotWritable, 160},
      {"HostLog", "LogOutputFifoWithoutReader", &Dev_Language_Struct::LogOutputFifoWithoutReader,
       160},
      {"HostLog", "LogCatalogueUnreadable", &Dev_Language_Struct::LogCatalogueUnreadable, 160},
  }};
  return keys;
}

}  // namespace tessary
