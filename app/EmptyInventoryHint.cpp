#include "EmptyInventoryHint.h"

#include "GbkText.h"

namespace vantrel::app {

QString EmptyInventoryHint() {
    return FromUtf8(
        "还没有电脑的信息。请员工用浏览器打开本机 8899 端口的网页"
        "（地址见右侧的事件记录）提交硬件信息，或导入已有的表格。");
}

}  // namespace vantrel::app
