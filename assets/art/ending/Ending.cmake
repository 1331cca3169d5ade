# The 22 pictures of the ending, e1.jpg .. e22.jpg, from ending.svg: the
# Molfo's flight home after the last boss, back through the five places of
# its journey in turn (the mountain, the garden, the pond, the forest floor,
# the meadow), then what became of everyone, then the staff roll.
# One row per picture, in order: caption | second line. Picture N draws the
# scene "eN" of ending.svg under its caption.
# The first ten are shown after every cleared game; the rest only with a score.
set(MOLFO_ENDING_ROWS
  "ついに ギフチョウに かった！|やまに しずけさが もどってくる"
  "モルフォは いわの うえで はねを やすめる|ながい たびだった"
  "さあ おうちへ かえろう|きた みちを もどって いく"
  "はなぞのの うえを とぶ|あまい かおりに つつまれる"
  "いけの うえを わたる|スイレンの はなが ひらいた"
  "ゆうぐれの もりを ぬける|おちばの においが する"
  "のはらに でた|ホタルが ひかりはじめた"
  "ほしの そらを とぶ|おうちの あかりが みえてきた"
  "ともだちが まっていて くれた|みんな ぶじで よかった"
  "おかえり モルフォ！|- おしまい -"
  "スコアを かせいだ きみへ|もうすこし おはなしが つづく"
  "ハエも カも|いまは のはらで ひなたぼっこ"
  "テントウムシと トンボは|はなの うえで ひとやすみ"
  "スズメバチと ガは|もりの おくへ かえった"
  "クモは あたらしい すを はった|こんどは まちぶせ しない そうだ"
  "アリと カマキリは|いけの ほとりで おしゃべり"
  "セミは うたい|バッタは とびはねる"
  "イモムシは いつか|きれいな チョウに なる"
  "クワガタと カブトムシは|きの みつを わけあった"
  "ジガバチは あなを ほり|ハチは はなの みつを あつめる"
  "ギフチョウも また|はるの そらを まう"
  "あそんでくれて ありがとう！|Molfo チーム より"
)
list(LENGTH MOLFO_ENDING_ROWS n)
if(NOT n EQUAL 22)
  message(FATAL_ERROR "the ending needs 22 pictures, found ${n}")
endif()
# The scenes draw the game's own sprites from their SVGs, so a change to any
# of them redraws the ending too.
file(GLOB MOLFO_PICTURE_EXTRA_DEPS ${MOLFO_ART}/sprites/molfo.svg ${MOLFO_ART}/enemies/*.svg ${MOLFO_ART}/bosses/*.svg)
set(i 0)
foreach(row IN LISTS MOLFO_ENDING_ROWS)
  math(EXPR i "${i} + 1")
  string(REPLACE "|" ";" f "${row}")
  list(GET f 0 caption)
  list(GET f 1 sub)
  # Paths in ending.svg are relative to assets/art/, the folder that holds
  # every SVG it draws from.
  molfo_worded_picture(ending/e${i}.jpg jpg 500 500 ending/ending.svg --base ${MOLFO_ART}/ending.svg
    -D SCENE=e${i} -D "CAPTION=${caption}" -D "SUB=${sub}")
endforeach()
set(MOLFO_PICTURE_EXTRA_DEPS "")
