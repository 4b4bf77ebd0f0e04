print("never runs")
x = = 1
