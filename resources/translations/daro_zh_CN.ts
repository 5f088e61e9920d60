<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CreateWav</name>
    <message>
        <source>Cannot create the file &quot;%1&quot;: %2</source>
        <translation>无法创建文件“%1”：%2。</translation>
    </message>
    <message>
        <source>Cannot write the file &quot;%1&quot;: %2</source>
        <translation>无法写入文件“%1”：%2。</translation>
    </message>
    <message>
        <source>Cannot close the file &quot;%1&quot;: %2</source>
        <translation>无法关闭文件“%1”：%2。</translation>
    </message>
</context>
<context>
    <name>EspeakLibrary</name>
    <message>
        <source>error %1</source>
        <translation>错误代码 %1</translation>
    </message>
    <message>
        <source>The speech engine eSpeak NG cannot start (%1).</source>
        <translation>语音引擎 eSpeak NG 无法启动（%1）。</translation>
    </message>
</context>
<context>
    <name>LessonConnection</name>
    <message>
        <source>The lesson file &apos;%1&apos; is damaged and cannot be read (%2).</source>
        <translation>课程文件“%1”已损坏，无法读取（%2）。</translation>
    </message>
    <message>
        <source>The lesson file &apos;%1&apos; cannot be read: the reader &apos;%2&apos; did not start (%3).</source>
        <translation>无法读取课程文件“%1”：读取程序“%2”没有启动（%3）。</translation>
    </message>
    <message>
        <source>the reader did not finish within %1 ms</source>
        <translation>读取程序在 %1 毫秒内没有读完</translation>
    </message>
    <message>
        <source>the reader gave too much output</source>
        <translation>读取程序输出的数据过多</translation>
    </message>
    <message>
        <source>the reader crashed</source>
        <translation>读取程序崩溃</translation>
    </message>
    <message>
        <source>the reader failed with exit code %1</source>
        <translation>读取程序出错退出，退出码为 %1</translation>
    </message>
    <message>
        <source>the reader&apos;s answer is malformed: %1</source>
        <translation>读取程序返回的数据格式有误：%1</translation>
    </message>
    <message>
        <source>The lesson file &apos;%1&apos; was not found.</source>
        <translation>找不到课程文件“%1”。</translation>
    </message>
    <message>
        <source>The lesson file &apos;%1&apos; is not open.</source>
        <translation>课程文件“%1”尚未打开。</translation>
    </message>
    <message>
        <source>The lesson file &apos;%1&apos; cannot be opened for reading.</source>
        <translation>无法读取课程文件“%1”：它不是普通文件，或者没有读取权限。</translation>
    </message>
</context>
<context>
    <name>LessonSnapshot</name>
    <message>
        <source>Cannot hold the lesson file &apos;%1&apos; in memory: %2.</source>
        <translation>无法将课程文件“%1”载入内存：%2。</translation>
    </message>
    <message>
        <source>The lesson file &apos;%1&apos; is damaged and cannot be read.</source>
        <translation>课程文件“%1”已损坏，无法读取。</translation>
    </message>
    <message>
        <source>The lesson file &apos;%1&apos; is not loaded yet.</source>
        <translation>课程文件“%1”尚未载入。</translation>
    </message>
    <message>
        <source>The query &quot;%1&quot; holds more than one statement.</source>
        <translation>查询“%1”包含不止一条语句。</translation>
    </message>
    <message>
        <source>The query &quot;%1&quot; would change the lesson file &apos;%2&apos;, which is only read.</source>
        <translation>查询“%1”会修改课程文件“%2”，而课程文件只能读取。</translation>
    </message>
    <message>
        <source>The lesson file &apos;%1&apos; has no table &apos;%2&apos;.</source>
        <translation>课程文件“%1”中没有数据表“%2”。</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; of the lesson file &apos;%2&apos; has no column &apos;%3&apos;.</source>
        <translation>课程文件“%2”的数据表“%1”中没有“%3”列。</translation>
    </message>
    <message>
        <source>The lesson file &apos;%1&apos; has no column &apos;%2&apos;.</source>
        <translation>课程文件“%1”中没有“%2”列。</translation>
    </message>
    <message>
        <source>The query &quot;%1&quot; cannot be run on the lesson file &apos;%2&apos;: %3.</source>
        <translation>无法在课程文件“%2”上执行查询“%1”：%3。</translation>
    </message>
    <message>
        <source>it has no columns</source>
        <translation>它没有任何列</translation>
    </message>
    <message>
        <source>the name of a column is damaged</source>
        <translation>某一列的名称已损坏</translation>
    </message>
    <message>
        <source>two of its columns have the same name</source>
        <translation>它有两列同名</translation>
    </message>
    <message>
        <source>The lesson file &apos;%1&apos; is damaged: its table &apos;%2&apos; cannot be read (%3).</source>
        <translation>课程文件“%1”已损坏：无法读取其中的数据表“%2”（%3）。</translation>
    </message>
</context>
<context>
    <name>MdbReader</name>
    <message>
        <source>cannot open the file: %1</source>
        <translation>无法打开文件：%1</translation>
    </message>
    <message>
        <source>not a Jet database file</source>
        <translation>不是 Jet 格式的 Access 数据库文件</translation>
    </message>
    <message>
        <source>no text decoder for this file</source>
        <translation>无法解码此文件中的文字</translation>
    </message>
    <message>
        <source>cannot read the table catalogue</source>
        <translation>无法读取数据表目录</translation>
    </message>
    <message>
        <source>the page that describes it is damaged</source>
        <translation>描述它的页面已损坏</translation>
    </message>
    <message>
        <source>the list of its columns is damaged</source>
        <translation>它的列清单已损坏</translation>
    </message>
    <message>
        <source>the list of its pages is damaged</source>
        <translation>它的页面清单已损坏</translation>
    </message>
</context>
<context>
    <name>RecorderError</name>
    <message>
        <source>The operation completed successfully.</source>
        <translation>操作已成功完成。</translation>
    </message>
    <message>
        <source>No sound input device is available.</source>
        <translation>没有可用的声音输入设备（如麦克风）。</translation>
    </message>
    <message>
        <source>The sound input device cannot record in the format of this file.</source>
        <translation>声音输入设备无法按此文件的格式录音。</translation>
    </message>
    <message>
        <source>The sound input device could not be opened.</source>
        <translation>无法打开声音输入设备。</translation>
    </message>
    <message>
        <source>The sound input device is not open.</source>
        <translation>声音输入设备尚未打开。</translation>
    </message>
    <message>
        <source>The sound input device could not start recording.</source>
        <translation>声音输入设备无法开始录音。</translation>
    </message>
    <message>
        <source>The sound input device stopped with an error while recording.</source>
        <translation>录音时声音输入设备出错，已停止。</translation>
    </message>
    <message>
        <source>The sound input device could not stop recording.</source>
        <translation>声音输入设备无法停止录音。</translation>
    </message>
    <message>
        <source>The sound input device could not be closed.</source>
        <translation>无法关闭声音输入设备。</translation>
    </message>
    <message>
        <source>The recording file could not be opened.</source>
        <translation>无法打开录音文件。</translation>
    </message>
    <message>
        <source>The recording file is not a PCM wave file.</source>
        <translation>录音文件不是 PCM 格式的 WAV 文件。</translation>
    </message>
    <message>
        <source>The recording could not be saved.</source>
        <translation>无法保存录音。</translation>
    </message>
    <message>
        <source>The recording is too long to be saved as a wave file.</source>
        <translation>录音太长，无法保存为 WAV 文件。</translation>
    </message>
</context>
<context>
    <name>TADODataSet</name>
    <message>
        <source>%1: Cannot perform this operation on an open dataset</source>
        <translation>%1：数据集已打开，无法执行此操作。</translation>
    </message>
    <message>
        <source>%1: CommandText does not return a result set</source>
        <translation>%1：查询语句（CommandText）不返回结果集。</translation>
    </message>
    <message>
        <source>%1: Field &apos;%2&apos; not found</source>
        <translation>%1：找不到字段“%2”。</translation>
    </message>
    <message>
        <source>%1: Cannot perform this operation on a closed dataset</source>
        <translation>%1：数据集已关闭（课程没有打开），无法执行此操作。</translation>
    </message>
</context>
<context>
    <name>TApplication</name>
    <message>
        <source>Unknown error</source>
        <translation>未知错误。</translation>
    </message>
</context>
<context>
    <name>TfmMain</name>
    <message>
        <source>The recording was not clear: too quiet, or no speech.</source>
        <translation>录音听不清：声音太小，或者没有说话。</translation>
    </message>
    <message>
        <source>Heard %1/%2 words.</source>
        <translation>听清了 %1/%2 个词。</translation>
    </message>
    <message>
        <source>Heard %1/%2 words. Not heard: %3</source>
        <translation>听清了 %1/%2 个词。没听清：%3</translation>
    </message>
</context>
<context>
    <name>WaveRecorder</name>
    <message>
        <source>Cannot open the recording file &quot;%1&quot;: %2</source>
        <translation>无法打开录音文件“%1”：%2。</translation>
    </message>
    <message>
        <source>No file name</source>
        <translation>没有文件名</translation>
    </message>
    <message>
        <source>The recording file &quot;%1&quot; is not a PCM wave file.</source>
        <translation>录音文件“%1”不是 PCM 格式的 WAV 文件。</translation>
    </message>
</context>
</TS>
