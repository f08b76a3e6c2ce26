#pragma once

// Every text that the window's behaviour writes, as GBK bytes, with the Chinese it stands for.
// The front-ends take their forms' initial texts from here too, so each text has one source.

#include <string_view>

#include "generator/settings_rules.h"

namespace zelvo {

// The status line after a generation: 恭喜亲！代码制作成功并已完成复制，安装后即可大功告成！
inline constexpr std::string_view successText =
    "\xB9\xA7\xCF\xB2\xC7\xD7\xA3\xA1\xB4\xFA\xC2\xEB\xD6\xC6\xD7\xF7\xB3\xC9\xB9\xA6\xB2"
    "\xA2\xD2\xD1\xCD\xEA\xB3\xC9\xB8\xB4\xD6\xC6\xA3\xAC\xB0\xB2\xD7\xB0\xBA\xF3\xBC\xB4"
    "\xBF\xC9\xB4\xF3\xB9\xA6\xB8\xE6\xB3\xC9\xA3\xA1";
// The status line while the chosen code template is missing:
// 正在读取服务器文件，请稍候数秒再试，不影响您配置代码！
inline constexpr std::string_view waitingText =
    "\xD5\xFD\xD4\xDA\xB6\xC1\xC8\xA1\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xC4\xBC\xFE\xA3\xAC\xC7"
    "\xEB\xC9\xD4\xBA\xF2\xCA\xFD\xC3\xEB\xD4\xD9\xCA\xD4\xA3\xAC\xB2\xBB\xD3\xB0\xCF\xEC"
    "\xC4\xFA\xC5\xE4\xD6\xC3\xB4\xFA\xC2\xEB\xA3\xA1";
// 按钮3 until the first generation: 生成并复制
inline constexpr std::string_view firstGenerateCaption = "\xC9\xFA\xB3\xC9\xB2\xA2\xB8\xB4\xD6\xC6";
// 按钮3 while a generation runs: 使劲生成中
inline constexpr std::string_view busyGenerateCaption = "\xCA\xB9\xBE\xA2\xC9\xFA\xB3\xC9\xD6\xD0";
// 按钮3 after a generation: 生成与复制
inline constexpr std::string_view doneGenerateCaption = "\xC9\xFA\xB3\xC9\xD3\xEB\xB8\xB4\xD6\xC6";

// The three captions of 分组框2 that choosing an edition writes, in edition order; the first is
// the form's own.
inline constexpr std::string_view inputCaptions[] = {professionalInputCaption, basicInputCaption,
                                                     tmallInputCaption};

}  // namespace zelvo
