// The program's own captions and messages. Sources are UTF-8; the compiler stores them as GBK.
#pragma once

namespace texts {

constexpr char kThreadCountInvalid[] = "线程数量必须为1到20之间的整数！";
constexpr char kOutputDirInvalid[] = "保存路径无效！";
constexpr char kBrowseTitle[] = "请指定要替换文件所在的目录：";
constexpr char kNoMemoryForUrls[] = "内存不足，无法分配网址表，程序将关闭。";
constexpr char kImportNoUrls[] = "请先导入网址！";
constexpr char kLoading[] = "正在加载数据...";
constexpr char kImported[] = "共导入 %d 条网址！";
constexpr char kImportTruncated[] = "网址列表超过 %d 条，只导入了前 %d 条。";
constexpr char kImportCannotOpen[] = "无法打开网址列表文件：\n%s";
constexpr char kImportReadError[] = "读取网址列表文件时出错：\n%s";
constexpr char kImportWhileRunning[] = "任务正在执行，请等执行结束后再导入网址。";
constexpr char kRunning[] = "正在运行...";
constexpr char kProgress[] = "进度 %d/%d， 当前 %d 个线程";
constexpr char kFinished[] = "执行结束！";
constexpr char kButtonStop[] = "停止";
constexpr char kButtonStopping[] = "正在停止";
constexpr char kButtonStart[] = "开始";

}  // namespace texts
