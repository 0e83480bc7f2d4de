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
        <source>&amp;Folder...</source>
        <translation>フォルダ(&amp;F)...</translation>
    </message>
    <message>
        <source>Add a folder: every picture in it is shown</source>
        <translation>フォルダを追加します: その中のすべての画像を表示します</translation>
    </message>
    <message>
        <source>Add a folder</source>
        <translation>フォルダを追加</translation>
    </message>
    <message>
        <source>All pictures</source>
        <translation>すべての画像</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>すべてのファイル</translation>
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
    <message>
        <source>Single color</source>
        <translation>単色</translation>
    </message>
    <message>
        <source>First color of the gradation</source>
        <translation>グラデーションの1色目</translation>
    </message>
    <message>
        <source>Second color of the gradation</source>
        <translation>グラデーションの2色目</translation>
    </message>
    <message>
        <source>Single color at random</source>
        <translation>単色をランダムに</translation>
    </message>
    <message>
        <source>First color of the gradation at random</source>
        <translation>グラデーションの1色目をランダムに</translation>
    </message>
    <message>
        <source>Second color of the gradation at random</source>
        <translation>グラデーションの2色目をランダムに</translation>
    </message>
    <message>
        <source>Pictures</source>
        <translation>画像</translation>
    </message>
    <message>
        <source>Placement of a picture</source>
        <translation>画像の配置</translation>
    </message>
</context>
<context>
    <name>CVelvetfadeConfigPage2</name>
    <message>
        <source>Display</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>&amp;Frame rate</source>
        <translation>フレームレート(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Smoothness of a permeation </source>
        <translation>透過の滑らかさ(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;The interval before and behind a display</source>
        <translation>表示前後の間隔(&amp;T)</translation>
    </message>
    <message>
        <source>fps</source>
        <translation>fps</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>Less</source>
        <translation>減らす</translation>
    </message>
    <message>
        <source>More</source>
        <translation>増やす</translation>
    </message>
</context>
<context>
    <name>CVelvetfadeConfigPage3</name>
    <message>
        <source>Details</source>
        <translation>詳細</translation>
    </message>
    <message>
        <source>&amp;Left button down of a mouse</source>
        <translation>マウスの左ボタン押下(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;Right button down of a mouse</source>
        <translation>マウスの右ボタン押下(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Movement of a Mouse</source>
        <translation>マウスの移動(&amp;M)</translation>
    </message>
    <message>
        <source>&amp;Key down</source>
        <translation>キーの押下(&amp;K)</translation>
    </message>
    <message>
        <source>&amp;Other applications are active. </source>
        <translation>他のアプリケーションがアクティブ(&amp;O)</translation>
    </message>
    <message>
        <source>The conditions which end a screen saver</source>
        <translation>スクリーンセーバーを終了する条件</translation>
    </message>
    <message>
        <source>!!! It becomes impossible to end no to remove checks. </source>
        <translation>※全てのチェックをはずすと終了できなくなります。</translation>
    </message>
</context>
<context>
    <name>CVelvetfadeConfigPage4</name>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>A screen saver that fades the desktop into colours and pictures.</source>
        <translation>デスクトップを色と画像へ溶け込ませるスクリーンセーバー</translation>
    </message>
    <message>
        <source>Made by the Velvetfade developers.</source>
        <translation>Velvetfade 開発者による作品</translation>
    </message>
</context>
<context>
    <name>CVelvetfadeConfigDlg</name>
    <message>
        <source>Setting of Velvetfade</source>
        <translation>Velvetfade 設定</translation>
    </message>
    <message>
        <source>The settings could not be saved.</source>
        <translation>設定を保存できませんでした。</translation>
    </message>
</context>
<context>
    <name>ColorPopup</name>
    <message>
        <source>Colors</source>
        <translation>色</translation>
    </message>
    <message>
        <source>Red %1, green %2, blue %3</source>
        <translation>赤 %1、緑 %2、青 %3</translation>
    </message>
    <message>
        <source>Other color...</source>
        <translation>その他の色...</translation>
    </message>
</context>
</TS>
