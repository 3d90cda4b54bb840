<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CLogWindow</name>
    <message>
        <source>Log</source>
        <translation>日志</translation>
    </message>
    <message>
        <source>Frame log</source>
        <translation>通信日志</translation>
    </message>
    <message>
        <source>Save log…</source>
        <translation>保存日志…</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清空</translation>
    </message>
    <message>
        <source>Save log</source>
        <translation>保存日志</translation>
    </message>
    <message>
        <source>Text files (*.txt);;All files (*)</source>
        <translation>文本文件 (*.txt);;所有文件 (*)</translation>
    </message>
    <message>
        <source>The log could not be written to %1.</source>
        <translation>无法将日志写入 %1。</translation>
    </message>
    <message>
        <source>Save as pcapng…</source>
        <translation>另存为 pcapng…</translation>
    </message>
    <message>
        <source>Save as pcapng</source>
        <translation>另存为 pcapng</translation>
    </message>
    <message>
        <source>pcapng captures (*.pcapng);;All files (*)</source>
        <translation>pcapng 抓包文件 (*.pcapng);;所有文件 (*)</translation>
    </message>
    <message>
        <source>The capture could not be written to %1.</source>
        <translation>无法将抓包写入 %1。</translation>
    </message>
</context>
<context>
    <name>CMscomm1</name>
    <message>
        <source>Invalid port number %1.</source>
        <translation>无效的端口号 %1。</translation>
    </message>
    <message>
        <source>No serial port named.</source>
        <translation>未指定串口。</translation>
    </message>
    <message>
        <source>Invalid port settings &quot;%1&quot;: expected speed,parity,data,stop.</source>
        <translation>无效的端口设置“%1”：应为 波特率,校验位,数据位,停止位。</translation>
    </message>
    <message>
        <source>The port refuses the settings &quot;%1&quot;: %2</source>
        <translation>端口不接受设置“%1”：%2</translation>
    </message>
    <message>
        <source>Port already open.</source>
        <translation>端口已打开。</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>无法打开 %1：%2</translation>
    </message>
    <message>
        <source>The port is not open.</source>
        <translation>端口未打开。</translation>
    </message>
    <message>
        <source>Write to %1 failed: %2</source>
        <translation>写入 %1 失败：%2</translation>
    </message>
</context>
<context>
    <name>CProfileResultsView</name>
    <message>
        <source>unchanged</source>
        <translation>未改变</translation>
    </message>
    <message>
        <source>changed and verified</source>
        <translation>已更改并校验</translation>
    </message>
    <message>
        <source>reads back different</source>
        <translation>读回值不同</translation>
    </message>
    <message>
        <source>no reply</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>sent, cannot be read back</source>
        <translation>已发送，无法读回</translation>
    </message>
    <message>
        <source>1 setting</source>
        <translation>1 项设置</translation>
    </message>
    <message>
        <source>%1 settings</source>
        <translation>%1 项设置</translation>
    </message>
    <message>
        <source>Profile results</source>
        <translation>配置文件结果</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>设置项</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>配置文件</translation>
    </message>
    <message>
        <source>Reader</source>
        <translation>读卡器</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>The reader holds all %1 of the profile</source>
        <translation>读卡器已包含配置文件的全部 %1</translation>
    </message>
    <message>
        <source>%1 %2 from the profile: %3</source>
        <translation>%1与配置文件%2：%3</translation>
    </message>
    <message>
        <source>differs</source>
        <translation>不同</translation>
    </message>
    <message>
        <source>differ</source>
        <translation>不同</translation>
    </message>
    <message>
        <source>%1 applied and verified</source>
        <translation>%1已应用并校验</translation>
    </message>
    <message>
        <source>%1 did not take: %2</source>
        <translation>%1未生效：%2</translation>
    </message>
    <message>
        <source>, %1 already as in the profile</source>
        <translation>，%1已与配置文件一致</translation>
    </message>
    <message>
        <source>(not reported)</source>
        <translation>（未上报）</translation>
    </message>
    <message>
        <source>not compared: the reader does not report it</source>
        <translation>未比较：读卡器不报告此项</translation>
    </message>
    <message>
        <source>The reader holds %1 of the profile; %2 not reported by the reader</source>
        <translation>读卡器符合配置文件中的 %1；%2 项读卡器不报告</translation>
    </message>
    <message>
        <source>, %1 sent but not read back</source>
        <translation>，%1 项已发送但未读回</translation>
    </message>
    <message>
        <source>the reader answers at %1</source>
        <translation>读卡器现在以 %1 应答</translation>
    </message>
    <message>
        <source>the reader still answers at %1</source>
        <translation>读卡器仍以 %1 应答</translation>
    </message>
</context>
<context>
    <name>CTessaroDlg</name>
    <message>
        <source>Parameter setting(V.21.4.22)</source>
        <translation>参数设置(V.21.4.22)</translation>
    </message>
    <message>
        <source>OK.</source>
        <translation>就绪。</translation>
    </message>
    <message>
        <source>build baud error</source>
        <translation>波特率设置错误</translation>
    </message>
    <message>
        <source>Please enter an integer.</source>
        <translation>请输入整数。</translation>
    </message>
    <message>
        <source>cannot create UDP socket!</source>
        <translation>无法创建 UDP 套接字！</translation>
    </message>
    <message>
        <source>Local port binding failed!</source>
        <translation>本地端口绑定失败！</translation>
    </message>
    <message>
        <source>server exit.</source>
        <translation>服务已退出。</translation>
    </message>
    <message>
        <source>Device list full: oldest dropped.</source>
        <translation>设备列表已满：已移除最早的设备。</translation>
    </message>
    <message>
        <source>Send failed, no device selected.</source>
        <translation>发送失败，未选择设备。</translation>
    </message>
    <message>
        <source>Data sent successfully.</source>
        <translation>数据发送成功。</translation>
    </message>
    <message>
        <source>Error sending data.</source>
        <translation>数据发送出错。</translation>
    </message>
    <message>
        <source>Receive parameter successfully.</source>
        <translation>接收参数成功。</translation>
    </message>
    <message>
        <source> (gone)</source>
        <translation>（已断开）</translation>
    </message>
    <message>
        <source>No serial port to search: type one into the Serial Port box.</source>
        <translation>没有可搜索的串口：请在“串口”框中输入一个。</translation>
    </message>
    <message>
        <source>Find reader</source>
        <translation>查找读卡器</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Trying %1 at %2 baud (%3 of %4)</source>
        <translation>正在尝试 %1，波特率 %2（第 %3 / %4 次）</translation>
    </message>
    <message>
        <source>Find reader cancelled.</source>
        <translation>已取消查找读卡器。</translation>
    </message>
    <message>
        <source>No reader answered on %1 at %2 baud.</source>
        <translation>%1 上没有读卡器应答（波特率 %2）。</translation>
    </message>
    <message>
        <source>Reader found on %1 at %2 baud</source>
        <translation>在 %1 上找到读卡器，波特率 %2</translation>
    </message>
    <message>
        <source>Reader profiles (*.json);;All files (*)</source>
        <translation>读卡器配置文件 (*.json);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Save profile</source>
        <translation>保存配置文件</translation>
    </message>
    <message>
        <source>Load profile</source>
        <translation>加载配置文件</translation>
    </message>
    <message>
        <source>These values cannot go into a profile:
</source>
        <translation>以下数值无法存入配置文件：
</translation>
    </message>
    <message>
        <source>Profile saved: %1</source>
        <translation>配置文件已保存：%1</translation>
    </message>
    <message>
        <source>Profile loaded: %1</source>
        <translation>配置文件已加载：%1</translation>
    </message>
    <message>
        <source>Open the serial port first.</source>
        <translation>请先打开串口。</translation>
    </message>
    <message>
        <source>Apply profile</source>
        <translation>应用配置文件</translation>
    </message>
    <message>
        <source>Compare with reader</source>
        <translation>与读卡器比较</translation>
    </message>
    <message>
        <source>Reading the reader&apos;s settings</source>
        <translation>正在读取读卡器的设置</translation>
    </message>
    <message>
        <source>Sending %1</source>
        <translation>正在发送 %1</translation>
    </message>
    <message>
        <source>Reading the settings back</source>
        <translation>正在读回设置</translation>
    </message>
    <message>
        <source>Step %1 of %2: %3</source>
        <translation>第 %1 步，共 %2 步：%3</translation>
    </message>
    <message>
        <source>Profile run cancelled.</source>
        <translation>配置文件操作已取消。</translation>
    </message>
    <message>
        <source>%1 was disconnected</source>
        <translation>%1 已断开</translation>
    </message>
    <message>
        <source>Log saved: %1</source>
        <translation>日志已保存：%1</translation>
    </message>
    <message>
        <source>No reply within %1 s</source>
        <translation>读卡器 %1 秒内无应答</translation>
    </message>
</context>
<context>
    <name>ChoiceLists</name>
    <message>
        <source>Fixed IP</source>
        <translation>固定 IP</translation>
    </message>
    <message>
        <source>Automatic acquisition</source>
        <translation>自动获取</translation>
    </message>
    <message>
        <source>PHP</source>
        <translation>PHP</translation>
    </message>
    <message>
        <source>JSP</source>
        <translation>JSP</translation>
    </message>
    <message>
        <source>C#</source>
        <translation>C#</translation>
    </message>
    <message>
        <source>ASP</source>
        <translation>ASP</translation>
    </message>
    <message>
        <source>CGI</source>
        <translation>CGI</translation>
    </message>
    <message>
        <source>USB keyboard</source>
        <translation>USB 键盘</translation>
    </message>
    <message>
        <source>USB serial port</source>
        <translation>USB 串口</translation>
    </message>
    <message>
        <source>RS232</source>
        <translation>RS232</translation>
    </message>
    <message>
        <source>RS485</source>
        <translation>RS485</translation>
    </message>
    <message>
        <source>WG26</source>
        <translation>韦根26</translation>
    </message>
    <message>
        <source>WG34</source>
        <translation>韦根34</translation>
    </message>
    <message>
        <source>WG256</source>
        <translation>韦根256</translation>
    </message>
    <message>
        <source>Wechat app open</source>
        <translation>微信小程序开门</translation>
    </message>
    <message>
        <source>6H</source>
        <translation>6H</translation>
    </message>
    <message>
        <source>8H</source>
        <translation>8H</translation>
    </message>
    <message>
        <source>8H10D</source>
        <translation>8H10D</translation>
    </message>
    <message>
        <source>6H10D</source>
        <translation>6H10D</translation>
    </message>
    <message>
        <source>2h3D+4h5d</source>
        <translation>2h3D+4h5d</translation>
    </message>
    <message>
        <source>No enter</source>
        <translation>无回车</translation>
    </message>
    <message>
        <source>Enter</source>
        <translation>回车</translation>
    </message>
    <message>
        <source>No Line Feed</source>
        <translation>无换行</translation>
    </message>
    <message>
        <source>Line Feed</source>
        <translation>换行</translation>
    </message>
    <message>
        <source>EVEN</source>
        <translation>偶校验</translation>
    </message>
    <message>
        <source>ODD</source>
        <translation>奇校验</translation>
    </message>
    <message>
        <source>NONE</source>
        <translation>无校验</translation>
    </message>
    <message>
        <source>ASCII</source>
        <translation>ASCII</translation>
    </message>
    <message>
        <source>Hexadecimal</source>
        <translation>十六进制</translation>
    </message>
    <message>
        <source>12 hours</source>
        <translation>12 小时</translation>
    </message>
    <message>
        <source>24 hours</source>
        <translation>24 小时</translation>
    </message>
    <message>
        <source>Common mode</source>
        <translation>普通模式</translation>
    </message>
    <message>
        <source>Single mode</source>
        <translation>单次模式</translation>
    </message>
    <message>
        <source>Interval mode</source>
        <translation>间隔模式</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>开启</translation>
    </message>
    <message>
        <source>turn off(Sweeping light)</source>
        <translation>关闭(扫描灯)</translation>
    </message>
    <message>
        <source>turn on</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Detect the light</source>
        <translation>感应补光</translation>
    </message>
    <message>
        <source>hex</source>
        <translation>十六进制</translation>
    </message>
    <message>
        <source>In order</source>
        <translation>正序</translation>
    </message>
    <message>
        <source>Reverse order</source>
        <translation>倒序</translation>
    </message>
    <message>
        <source>2H3D+4H5D</source>
        <translation>2H3D+4H5D</translation>
    </message>
    <message>
        <source>Aliyun</source>
        <translation>阿里云</translation>
    </message>
    <message>
        <source>Baidu</source>
        <translation>百度</translation>
    </message>
    <message>
        <source>No encryption</source>
        <translation>不加密</translation>
    </message>
    <message>
        <source>encryption</source>
        <translation>加密</translation>
    </message>
    <message>
        <source>Reader mode</source>
        <translation>读头模式</translation>
    </message>
    <message>
        <source>Access control mode</source>
        <translation>门禁模式</translation>
    </message>
    <message>
        <source>Infinite times</source>
        <translation>无限次</translation>
    </message>
    <message>
        <source>Once</source>
        <translation>一次</translation>
    </message>
    <message>
        <source>HTTP</source>
        <translation>HTTP</translation>
    </message>
    <message>
        <source>TCP</source>
        <translation>TCP</translation>
    </message>
    <message>
        <source>UDP</source>
        <translation>UDP</translation>
    </message>
</context>
<context>
    <name>ControlCatalog</name>
    <message>
        <source>Close Serial Port</source>
        <translation>关闭串口</translation>
    </message>
    <message>
        <source>Search device</source>
        <translation>搜索设备</translation>
    </message>
    <message>
        <source>Get current parameter</source>
        <translation>获取当前参数</translation>
    </message>
    <message>
        <source>IP address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Subnet mask</source>
        <translation>子网掩码</translation>
    </message>
    <message>
        <source>Network gate</source>
        <translation>网关</translation>
    </message>
    <message>
        <source>DNS 1</source>
        <translation>DNS 1</translation>
    </message>
    <message>
        <source>DNS 2</source>
        <translation>DNS 2</translation>
    </message>
    <message>
        <source>Network mode</source>
        <translation>网络模式</translation>
    </message>
    <message>
        <source>Server address</source>
        <translation>服务器地址</translation>
    </message>
    <message>
        <source>Server port</source>
        <translation>服务器端口</translation>
    </message>
    <message>
        <source>HTTP server</source>
        <translation>HTTP 服务器</translation>
    </message>
    <message>
        <source>Set up</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Output format selection</source>
        <translation>输出格式</translation>
    </message>
    <message>
        <source>Card number input format</source>
        <translation>卡号输入格式</translation>
    </message>
    <message>
        <source>HID format parameter enter</source>
        <translation>HID 格式回车</translation>
    </message>
    <message>
        <source>Line Feed</source>
        <translation>换行</translation>
    </message>
    <message>
        <source>Serial port parameter Baud rate</source>
        <translation>串口参数 波特率</translation>
    </message>
    <message>
        <source>Data bit</source>
        <translation>数据位</translation>
    </message>
    <message>
        <source>Stop bit</source>
        <translation>停止位</translation>
    </message>
    <message>
        <source>Parity check</source>
        <translation>校验位</translation>
    </message>
    <message>
        <source>QR code serial output format</source>
        <translation>二维码串口输出格式</translation>
    </message>
    <message>
        <source>Reset settings</source>
        <translation>复位设置</translation>
    </message>
    <message>
        <source>Woring mode</source>
        <translation>工作模式</translation>
    </message>
    <message>
        <source>Horn</source>
        <translation>蜂鸣器</translation>
    </message>
    <message>
        <source>turn on</source>
        <translation>补光灯</translation>
    </message>
    <message>
        <source>Prefix</source>
        <translation>前缀</translation>
    </message>
    <message>
        <source>Suffix</source>
        <translation>后缀</translation>
    </message>
    <message>
        <source>Prefix and suffix input format</source>
        <translation>前后缀输入格式</translation>
    </message>
    <message>
        <source>Serial output format</source>
        <translation>串口输出格式</translation>
    </message>
    <message>
        <source>Low Pulse(us)</source>
        <translation>低电平脉宽(us)</translation>
    </message>
    <message>
        <source>High Pulse(us)</source>
        <translation>高电平脉宽(us)</translation>
    </message>
    <message>
        <source>WG output timing</source>
        <translation>韦根输出顺序</translation>
    </message>
    <message>
        <source>Card number format</source>
        <translation>卡号格式</translation>
    </message>
    <message>
        <source>Start output from which bit</source>
        <translation>从第几位开始输出</translation>
    </message>
    <message>
        <source>Total records</source>
        <translation>记录总数</translation>
    </message>
    <message>
        <source>Read record</source>
        <translation>读取记录</translation>
    </message>
    <message>
        <source>Keep a record</source>
        <translation>保存记录</translation>
    </message>
    <message>
        <source>Open Serial Port</source>
        <translation>打开串口</translation>
    </message>
    <message>
        <source>Find reader</source>
        <translation>查找读卡器</translation>
    </message>
    <message>
        <source>Get parameter</source>
        <translation>读取参数</translation>
    </message>
    <message>
        <source>Transmit test</source>
        <translation>发送测试</translation>
    </message>
    <message>
        <source>Save profile…</source>
        <translation>保存配置文件…</translation>
    </message>
    <message>
        <source>Load profile…</source>
        <translation>加载配置文件…</translation>
    </message>
    <message>
        <source>Apply profile…</source>
        <translation>应用配置文件…</translation>
    </message>
    <message>
        <source>Compare with reader</source>
        <translation>与读卡器比较</translation>
    </message>
    <message>
        <source>Network parameter setting</source>
        <translation>网络参数设置</translation>
    </message>
    <message>
        <source>Format parameter settings</source>
        <translation>格式参数设置</translation>
    </message>
    <message>
        <source>External parameter settings</source>
        <translation>外设参数设置</translation>
    </message>
    <message>
        <source>Barcode QR code settings</source>
        <translation>条码二维码设置</translation>
    </message>
    <message>
        <source>Card Prefix suffix format</source>
        <translation>卡号前后缀格式</translation>
    </message>
    <message>
        <source>WG timing definition</source>
        <translation>韦根时序定义</translation>
    </message>
    <message>
        <source>QR code parameter settings</source>
        <translation>二维码参数设置</translation>
    </message>
    <message>
        <source>Serial Port</source>
        <translation>串口</translation>
    </message>
    <message>
        <source>Baud rate</source>
        <translation>波特率</translation>
    </message>
    <message>
        <source>Transmit</source>
        <translation>发送</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>接收</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>配置文件</translation>
    </message>
    <message>
        <source>Log…</source>
        <translation>日志…</translation>
    </message>
</context>
<context>
    <name>DiscoverDev</name>
    <message>
        <source>Current device: </source>
        <translation>当前设备：</translation>
    </message>
</context>
<context>
    <name>ProfileControls</name>
    <message>
        <source>%1: not a number: %2</source>
        <translation>%1：不是数字：%2</translation>
    </message>
</context>
<context>
    <name>SerialReply</name>
    <message>
        <source>Command setup successful</source>
        <translation>命令设置成功</translation>
    </message>
    <message>
        <source>Get params successful</source>
        <translation>读取参数成功</translation>
    </message>
</context>
<context>
    <name>UdpDispatch</name>
    <message>
        <source>Command setup successful.</source>
        <translation>命令设置成功。</translation>
    </message>
</context>
</TS>
