<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_CN">
  <context>
    <name>picfit</name>
    <message>
      <source>%1 needs a value</source>
      <translation>%1 需要一个值</translation>
    </message>
    <message>
      <source>%1 must be a whole number from %2 to %3, not "%4"</source>
      <translation>%1 必须是 %2 到 %3 之间的整数，而不是“%4”</translation>
    </message>
    <message>
      <source>%1 needs a folder</source>
      <translation>%1 需要一个文件夹</translation>
    </message>
    <message>
      <source>unknown option %1</source>
      <translation>未知选项 %1</translation>
    </message>
    <message>
      <source>no picture files given</source>
      <translation>没有指定图片文件</translation>
    </message>
    <message>
      <source>%1: no such file</source>
      <translation>%1：文件不存在</translation>
    </message>
    <message>
      <source>%1: cannot be loaded: %2 (error %3: %4)</source>
      <translation>%1：无法装载：%2！错误号：%3（%4）</translation>
    </message>
    <message>
      <source>%1: cannot be converted: %2 (error %3: %4)</source>
      <translation>%1：无法转换：%2！错误号：%3（%4）</translation>
    </message>
    <message>
      <source>the file does not exist</source>
      <translation>文件不存在</translation>
    </message>
    <message>
      <source>the format is not supported</source>
      <translation>文件格式不支持</translation>
    </message>
    <message>
      <source>the picture is damaged</source>
      <translation>图片已损坏</translation>
    </message>
    <message>
      <source>the file cannot be read</source>
      <translation>无法读取文件</translation>
    </message>
    <message>
      <source>no picture is loaded</source>
      <translation>没有装载图片</translation>
    </message>
    <message>
      <source>the picture cannot be fitted</source>
      <translation>无法调整图片</translation>
    </message>
    <message>
      <source>the output file cannot be written</source>
      <translation>无法写入输出文件</translation>
    </message>
    <message>
      <source>the output folder cannot be used</source>
      <translation>无法使用输出目录</translation>
    </message>
    <message>
      <source>the picture is not a 24-bit bitmap</source>
      <translation>图片不是24位位图</translation>
    </message>
    <message>
      <source>a size or option is out of range</source>
      <translation>尺寸或选项超出范围</translation>
    </message>
    <message>
      <source>an unexpected failure</source>
      <translation>意外的错误</translation>
    </message>
    <message>
      <source>%1 (error %2: %3)</source>
      <translation>%1！错误号：%2（%3）</translation>
    </message>
    <message>
      <source>cannot create a temporary file</source>
      <translation>无法建立临时文件</translation>
    </message>
    <message>
      <source>cannot write to standard output</source>
      <translation>无法写入标准输出</translation>
    </message>
    <message>
      <source>usage: picfit --convert FILE... [--mode 0-3] [--width 1-960] [--height 1-640]
                                [--format 0-5] [--keep-existing|--overwrite] [-o DIR]
       picfit --version
       picfit               (the window)
  --mode    0 stretch to width x height, 1 fit the width, 2 fit the height, 3 keep the size
  --format  0 24-bit, 1 handheld 16-bit, 2 256 colours, 3 256 greys, 4 16 colours, 5 black and white
  --keep-existing  never replace a file: name_1.BMP, name_1_1.BMP, ...
  --overwrite      replace files of the same name (the default unless picfit.ini says otherwise)
  -o, --out DIR  output folder, made when missing (default: SaveDir of picfit.ini)
  -q, --quiet    print nothing but errors (without it each output file is printed)
  -v, --verbose  print each output file with the picture it was made from
Options not given are taken from picfit.ini.
</source>
      <translation>用法：picfit --convert 文件... [--mode 0-3] [--width 1-960] [--height 1-640]
                                [--format 0-5] [--keep-existing|--overwrite] [-o 目录]
      picfit --version
      picfit               （窗口）
  --mode    0 拉伸到 宽 x 高，1 适应宽度，2 适应高度，3 保持原尺寸
  --format  0 24位，1 掌上机16位，2 256色，3 256级灰度，4 16色，5 黑白
  --keep-existing  不替换任何文件：名称_1.BMP、名称_1_1.BMP ……
  --overwrite      替换同名文件（除非 picfit.ini 另有设定，这是默认做法）
  -o, --out 目录   输出目录，不存在时自动建立（默认：picfit.ini 的 SaveDir）
  -q, --quiet      只显示错误（否则显示每个输出文件）
  -v, --verbose    显示每个输出文件及其来源图片
未给出的选项取自 picfit.ini。
</translation>
    </message>
    <message>
      <source>%1 -&gt; %2</source>
      <translation>%1 -&gt; %2</translation>
    </message>
    <message>
      <source>unknown option %1 (see picfit --help)</source>
      <translation>未知选项 %1（参见 picfit --help）</translation>
    </message>
    <message>
      <source>%1: pictures are converted with picfit --convert FILE... -o DIR; without arguments picfit opens its window</source>
      <translation>%1：图片用 picfit --convert 文件... -o 目录 转换；不带参数时 picfit 打开窗口</translation>
    </message>
    <message>
      <source>there is no display for the window (DISPLAY and WAYLAND_DISPLAY are not set); picfit --convert FILE... -o DIR works without one</source>
      <translation>没有可显示窗口的显示器（DISPLAY 和 WAYLAND_DISPLAY 均未设置）；picfit --convert 文件... -o 目录 无需显示器</translation>
    </message>
  </context>
</TS>