[playlist]
NumberOfEntries=2
File1=http://radio.example/live
Title1=x
Length1=-1
file2=C:\Müsik\a.mp3
Version=2
