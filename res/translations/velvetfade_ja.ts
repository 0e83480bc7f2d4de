<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>CVelvetfadeConfigPage1</name>
    <message>
        <source>Mode</source>
        <translation>モード</translation>
    </message>
    <message>
        <source>&amp;Single Color</source>
        <translation>単色(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Gradation</source>
        <translation>グラデーション(&amp;G)</translation>
    </message>
    <message>
        <source>&amp;Bitmap</source>
        <translation>ビットマップ(&amp;B)</translation>
    </message>
    <message>
        <source>&amp;Random</source>
        <translation>ランダム(&amp;R)</translation>
    </message>
    <message>
        <source>random</source>
        <translation>ランダム色</translation>
    </message>
    <message>
        <source>Random &amp;Order</source>
        <translation>ランダム順番(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>追加(&amp;A)...</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>削除(&amp;D)</translation>
    </message>
    <message>
        <source>Random position</source>
        <translation>ランダム位置に表示</translation>
    </message>
    <message>
        <source>Centered</source>
        <translation>中央に表示</translation>
    </message>
    <message>
        <source>Tiled</source>
        <translation>並べて表示</translation>
    </message>
    <message>
        <source>Enlarged to the screen</source>
        <translation>拡大して表示</translation>
    </message>
    <message>
        <source>There are many selection files -- It elapsed 
and failed Please reduce the number of selections 
and add again. </source>
        <translation>選択ファイル数が多すぎて失敗しました。
選択数を減らして再度追加してください。</translation>
    </message>
</context>
</TS>
