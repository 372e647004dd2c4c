
[playlist]
File1=/home/u/Music/One.mp3
Title1=One
File2=/home/u/Music/Café = Bar.mp3
Title2=Caf

